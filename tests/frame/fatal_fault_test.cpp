// The fatal fault report: a child process faults for real (or is sent a
// fatal signal), and its stderr line, its way of dying and its X values are
// checked from the parent.
#include "runtime/frame/fatal_fault.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>

#include "runtime/core/error_record.h"
#include "runtime/core/runtime_error.h"
#include "tests/support/hive_fixture.h"

namespace tolvex::testing {
namespace {

const core::ProgramRecord kTolvex{"Tolvex"};

// "続行不可能なエラーが発生しました " as the terminal shows it (UTF-8).
const std::string kFatalUtf8 =
    "\xE7\xB6\x9A\xE8\xA1\x8C\xE4\xB8\x8D\xE5\x8F\xAF\xE8\x83\xBD\xE3\x81\xAA\xE3\x82\xA8\xE3\x83"
    "\xA9\xE3\x83\xBC\xE3\x81\x8C\xE7\x99\xBA\xE7\x94\x9F\xE3\x81\x97\xE3\x81\xBE\xE3\x81\x97\xE3"
    "\x81\x9F ";
// "(モジュール名不明)"
const std::string kUnknownUtf8 =
    "(\xE3\x83\xA2\xE3\x82\xB8\xE3\x83\xA5\xE3\x83\xBC\xE3\x83\xAB\xE5\x90\x8D\xE4\xB8\x8D\xE6\x98"
    "\x8E)";
const std::string kLineUtf8 = "\xE8\xA1\x8C";  // 行

volatile int g_zero = 0;
volatile int g_seven = 7;
volatile int* volatile g_null = nullptr;

// Real faults. The undefined-behaviour sanitizer would catch these first and
// abort on its own, so it is told to stand aside.
__attribute__((no_sanitize("undefined"))) void WriteThroughNull() { *g_null = 1; }
__attribute__((no_sanitize("undefined"))) void DivideByZero() { g_zero = g_seven / g_zero; }

struct ChildResult {
  int signal = 0;
  std::string stderr_text;
};

// Runs `fault` in a child whose stderr is a pipe; returns how it died.
ChildResult RunFaultingChild(const std::function<void()>& fault) {
  int pipe_fds[2];
  EXPECT_EQ(pipe(pipe_fds), 0);
  pid_t pid = fork();
  if (pid == 0) {
    dup2(pipe_fds[1], 2);
    close(pipe_fds[0]);
    frame::InstallFatalFaultReport();
    fault();
    _exit(99);  // survived: the test fails on the exit status
  }
  close(pipe_fds[1]);
  ChildResult result;
  char chunk[512];
  ssize_t n;
  while ((n = read(pipe_fds[0], chunk, sizeof chunk)) > 0)
    result.stderr_text.append(chunk, static_cast<size_t>(n));
  close(pipe_fds[0]);
  int status = 0;
  EXPECT_EQ(waitpid(pid, &status, 0), pid);
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  return result;
}

using FatalFaultTest = HiveTest;

TEST_F(FatalFaultTest, EachFatalSignalIsReportedAndThenEndsTheProcess) {
  struct Row {
    const char* what;
    int signal;
    std::function<void()> fault;
    bool has_address;
  } rows[] = {
      {"null write", SIGSEGV, WriteThroughNull, true},
      {"integer division by zero", SIGFPE, DivideByZero, true},
      {"abort", SIGABRT, [] { std::abort(); }, false},
      {"illegal instruction", SIGILL, [] { __builtin_trap(); }, true},
      {"bus error sent by kill", SIGBUS, [] { kill(getpid(), SIGBUS); }, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    std::filesystem::remove(user_hive_);
    core::WriteErrorRecord(&kTolvex, 63, 24, 0x2008);  // the X values join it
    core::RegisterCurrentModule(&kTolvex);
    core::SetStatementNumber(24);
    ChildResult result = RunFaultingChild(row.fault);
#if defined(__x86_64__) || defined(__aarch64__)
    EXPECT_EQ(result.signal, row.signal);
#endif
    EXPECT_EQ(result.stderr_text, kFatalUtf8 + "Tolvex [24" + kLineUtf8 + "]\r\n");
    EXPECT_EQ(RecordText("XMODL"), "Tolvex");
    EXPECT_EQ(RecordNumber("XLINE"), 24u);
    EXPECT_EQ(RecordText("XMODE"), core::kRuntimeModeText);
    EXPECT_EQ(RecordText("XRTL"), core::kRuntimeVersionText);
    EXPECT_EQ(RecordNumber("XCODE"), static_cast<uint32_t>(row.signal));
    EXPECT_EQ(RecordNumber("XADDR") != frame::kNoFaultRecord, row.has_address);  // sent: none
    EXPECT_EQ(RecordNumber("CODE"), 63u);
  }
}

TEST_F(FatalFaultTest, NoModuleAndANegativeStatementKeepTheirForms) {
  core::SetStatementNumber(-1);
  ChildResult result = RunFaultingChild([] { raise(SIGSEGV); });
  EXPECT_EQ(result.signal, SIGSEGV);
  EXPECT_EQ(result.stderr_text, kFatalUtf8 + kUnknownUtf8 + " [65535" + kLineUtf8 + "]\r\n");
  EXPECT_EQ(RecordText("XMODL"), "");
  EXPECT_EQ(RecordNumber("XLINE"), 65535u);
}

}  // namespace
}  // namespace tolvex::testing
