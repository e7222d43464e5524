// The fatal fault report: a child process faults for real (or is sent a
// fatal signal), and its stderr line, its way of dying and its X values are
// checked from the parent.
#include "runtime/frame/fatal_fault.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "tests/support/hive_fixture.h"

namespace tolvex::testing {
namespace {

const core::ProgramRecord kTolvex{"Tolvex"};

volatile int g_zero = 0;
volatile int g_seven = 7;
volatile int* volatile g_null = nullptr;

// Real faults. The undefined-behaviour sanitizer would catch these first and
// abort on its own, so it is told to stand aside.
__attribute__((no_sanitize("undefined"))) void WriteThroughNull() { *g_null = 1; }
__attribute__((no_sanitize("undefined"))) void DivideByZero() { g_zero = g_seven / g_zero; }

using FatalFaultTest = HiveTest;

// Each row faults in a child whose stderr is a pipe; the last has no module
// and a negative statement, which keep their forms.
TEST_F(FatalFaultTest, EachFatalSignalIsReportedAndThenEndsTheProcess) {
  const struct Row {
    const char* what;
    int signal;
    void (*fault)();
    bool has_address, module;
  } rows[] = {
      {"null write", SIGSEGV, WriteThroughNull, true, true},
      {"integer division by zero", SIGFPE, DivideByZero, true, true},
      {"abort", SIGABRT, [] { std::abort(); }, false, true},
      {"illegal instruction", SIGILL, [] { __builtin_trap(); }, true, true},
      {"bus error sent by kill", SIGBUS, [] { kill(getpid(), SIGBUS); }, false, true},
      {"no module", SIGSEGV, [] { raise(SIGSEGV); }, false, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    std::filesystem::remove(user_hive_);
    core::WriteErrorRecord(&kTolvex, 63, 24, 0x2008);  // the X values join it
    core::RegisterCurrentModule(row.module ? &kTolvex : nullptr);
    core::SetStatementNumber(row.module ? 24 : -1);
    int pipe_fds[2];
    ASSERT_EQ(pipe(pipe_fds), 0);
    pid_t pid = fork();
    if (pid == 0) {
      dup2(pipe_fds[1], 2);
      frame::InstallFatalFaultReport();
      row.fault();
      _exit(99);  // survived: the test fails on the way it ended
    }
    close(pipe_fds[1]);
    std::string said;
    char chunk[512];
    for (ssize_t n; (n = read(pipe_fds[0], chunk, sizeof chunk)) > 0;)
      said.append(chunk, static_cast<size_t>(n));
    close(pipe_fds[0]);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
#if defined(__x86_64__) || defined(__aarch64__)
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == row.signal) << status;
#endif
    EXPECT_EQ(said, std::string("続行不可能なエラーが発生しました ") +
                        (row.module ? "Tolvex [24行]\r\n" : "(モジュール名不明) [65535行]\r\n"));
    EXPECT_EQ(RecordText("XMODL"), row.module ? "Tolvex" : "");
    EXPECT_EQ(RecordNumber("XLINE"), row.module ? 24u : 65535u);
    EXPECT_EQ(RecordText("XMODE"), core::kRuntimeModeText);
    EXPECT_EQ(RecordText("XRTL"), core::kRuntimeVersionText);
    EXPECT_EQ(RecordNumber("XCODE"), static_cast<uint32_t>(row.signal));
    EXPECT_EQ(RecordNumber("XADDR") != frame::kNoFaultRecord, row.has_address);  // sent: none
    EXPECT_EQ(RecordNumber("CODE"), 63u);
  }
}

}  // namespace
}  // namespace tolvex::testing
