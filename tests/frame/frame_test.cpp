// The frame: start-up, exit status on every way out, the break, a closed
// window, the termination sequence and the program name.
#include "runtime/frame/frame.h"

#include <new>

#include "runtime/core/error_codes.h"
#include "runtime/frame/statement_hook.h"
#include "runtime/frontend/headless_window.h"
#include "runtime/io/channel_table.h"
#include "runtime/io/key_queue.h"
#include "runtime/io/open_channel.h"
#include "runtime/io/window_system.h"
#include "runtime/io/write_binary.h"
#include "runtime/text/string_stack.h"
#include "tests/support/hive_fixture.h"

namespace tolvex::testing {
namespace {

const core::ProgramRecord kProgram{"Tolvex"};

// What the routines below saw, and a way for them to close the window.
int g_statements = 0;
frontend::HeadlessWindow* g_window = nullptr;

// Runs `count` statements, each after its hook, as the routine does.
void Statements(int count) {
  for (int i = 0; i < count; ++i) {
    frame::StatementHook();
    core::SetStatementNumber(static_cast<int16_t>(++g_statements));
  }
}

// Hives of its own: the error runs write their record there.
class FrameTest : public HiveTest {
 protected:
  void SetUp() override {
    HiveTest::SetUp();
    g_window = &window;
  }
  int Run(void (*routine)()) {
    frame::ResetRuntime();  // a run leaves the runtime marked as ending
    g_statements = 0;
    return frame::RunProgramIn(window, "/opt/bin/tolvex.exe", &kProgram, routine);
  }
  frontend::HeadlessWindow window;
};

TEST_F(FrameTest, ExitStatusOnEveryWayOut) {
  const struct Case { const char* name; void (*routine)(); int status; } cases[] = {
      {"returns", [] { text::PushConstText(text::ConstText("left")); Statements(3); }, 0},
      {"EndProgram(0)", [] { frame::EndProgram(0); }, 0},
      {"EndProgram(3)", [] { frame::EndProgram(3); }, 3},
      {"runtime error", [] { core::RaiseError(core::kErrFileNotFound, 0x2008); }, 1},
      {"Ctrl+X break", [] { core::RaiseError(core::kErrBreak, core::kLocBreak); }, 0},
      {"bad_alloc", [] { throw std::bad_alloc(); }, 1},
  };
  for (const Case& c : cases) {
    window = frontend::HeadlessWindow{};
    window.Type("k");  // the key for a key wait
    EXPECT_EQ(Run(c.routine), c.status) << c.name;
    EXPECT_FALSE(window.Exists()) << c.name;  // the window is closed
    EXPECT_TRUE(core::Errors().processing) << c.name;
    EXPECT_EQ(io::MainWindow(), nullptr) << c.name;
    EXPECT_EQ(text::StackDepth(), 0) << c.name;  // memory released
  }
}

TEST_F(FrameTest, StartUpNamesTheWindowAndFailsWithoutOne) {
  EXPECT_EQ(Run([] {}), 0);
  EXPECT_EQ(window.title, "tolvex");
  EXPECT_EQ(frame::ProgramName(), "tolvex");
  window = frontend::HeadlessWindow{};
  window.refuse_open = true;
  EXPECT_EQ(Run([] { ++g_statements; }), 1);
  EXPECT_EQ(g_statements, 0);
}

TEST_F(FrameTest, BreakAtAHookShowsThePreviousStatement) {
  EXPECT_EQ(Run([] {
              core::RegisterCurrentModule(&kProgram);  // as the routine does first
              Statements(5);
              io::DeliverKey(io::kKeyBreak);  // as a dispatched Ctrl+C would
              g_window->Type("k");
              Statements(100);
            }),
            0);
  EXPECT_EQ(g_statements, 5);
  EXPECT_NE(Utf8(window.shown).find("中断しました Tolvex[5行]"), std::string::npos) << window.shown;
  EXPECT_TRUE(frame::Ended());
}

TEST_F(FrameTest, ClosedWindowEndsAtTheNextPumpingHook) {
  window.RequestClose();  // before the run: the first hook pumps and ends it
  EXPECT_EQ(Run([] { Statements(50); }), 0);
  EXPECT_EQ(g_statements, 0);
  // Closed after the first pump: hooks 2 to 11 do not pump, the 12th does.
  window = frontend::HeadlessWindow{};
  EXPECT_EQ(Run([] { Statements(1); g_window->RequestClose(); Statements(50); }), 0);
  EXPECT_EQ(g_statements, 11);
  EXPECT_EQ(window.shown, "");  // no message
}

// A run cut short while it writes a file it created removes that file and
// fails; files it completed, files it did not create and a run that ends
// by itself keep theirs.
std::string g_file;
void OpenAndWrite(uint16_t mode) {
  text::PushConstText(text::ConstText(g_file));
  io::OpenChannel(mode, 0, 1, 0, 0);
  const int16_t sample = 7;
  io::WriteBinary(1, 2, &sample);
}
void CloseWindowBySigterm() {
  g_window->closing_signal = 15;
  g_window->RequestClose();
  Statements(20);
}

TEST_F(FrameTest, ARunCutShortRemovesTheFileItWasWriting) {
  const struct Case { const char* name; void (*routine)(); int status; bool kept; } cases[] = {
      {"SIGTERM while writing", [] { OpenAndWrite(9); CloseWindowBySigterm(); }, 143, false},
      {"closed while writing", [] { OpenAndWrite(9); g_window->RequestClose(); Statements(20); },
       1, false},
      {"break while writing",
       [] { OpenAndWrite(9); io::DeliverKey(io::kKeyBreak); g_window->Type("k"); Statements(20); },
       130, false},
      {"error while writing", [] { OpenAndWrite(9); core::RaiseError(core::kErrOverflow, 0); },
       1, false},
      {"SIGTERM after the close",
       [] { OpenAndWrite(9); io::CloseChannel(1); CloseWindowBySigterm(); }, 0, true},
      {"SIGTERM, file not created", [] { OpenAndWrite(10); CloseWindowBySigterm(); }, 0, true},
      {"ends with the file open", [] { OpenAndWrite(9); frame::EndProgram(0); }, 0, true},
  };
  g_file = dir_ + "/tile.bil";
  for (const Case& c : cases) {
    std::filesystem::remove(g_file);
    window = frontend::HeadlessWindow{};
    EXPECT_EQ(Run(c.routine), c.status) << c.name;
    EXPECT_EQ(std::filesystem::exists(g_file), c.kept) << c.name;
  }
}

TEST(ProgramName, FromThePath) {
  const struct Case { const char* path; const char* name; } cases[] = {
      {"/usr/bin/tool.exe", "tool"}, {"tool", "tool"},     {"./a.b.c", "a.b"},
      {"/x/.hidden", ".hidden"},  // a dot in the first position stays
      {"C:\\dir\\tool.EXE", "tool"}, {"D:tool.exe", "tool"}, {"", ""},
      {"dir\\\x95\x5c.exe", "\x95\x5c"},  // 表: its trail byte is a backslash
  };
  for (const Case& c : cases) EXPECT_EQ(frame::ProgramNameFromPath(c.path), c.name) << c.path;
}

}  // namespace
}  // namespace tolvex::testing
