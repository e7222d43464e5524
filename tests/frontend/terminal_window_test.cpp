// The terminal front end in a real pseudo-terminal: the dialogue is typed
// with arrows, BackSpace and a double-byte character; the test reads what the
// terminal was sent and checks the terminal's mode and the console's rows
// are back on the normal screen afterwards. Also the renderer's view of a
// terminal smaller than 80 x 24, and the transcript.
#include "runtime/frontend/terminal_window.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>

#include "runtime/frontend/terminal_render.h"
#include "runtime/io/console_screen.h"
#include "runtime/os/registry_store.h"
#include "tests/io/dialogue_routine.h"
#include "tests/support/runtime_test.h"

namespace tolvex::testing {
namespace {

// The child side of the pseudo-terminal: the program, on its own terminal.
[[noreturn]] void RunChild(const char* slave_name, void (*routine)()) {
  setsid();
  int slave = open(slave_name, O_RDWR);
  if (slave < 0) _exit(101);
  ioctl(slave, TIOCSCTTY, 0);
  dup2(slave, 0);
  dup2(slave, 1);
  dup2(slave, 2);
  if (slave > 2) close(slave);
  setenv(os::kUserHiveVariable, "/dev/null/user.reg", 1);  // a crash records nothing anywhere
  frame::ResetRuntime();
  frontend::TerminalWindow window(0, 1);
  int status = frame::RunProgramIn(window, "/opt/bin/dialogue", &kDialogueProgram, routine);
  _exit(status);
}

class PseudoTerminal {
 public:
  explicit PseudoTerminal(void (*routine)() = DialogueRoutine) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
    winsize size{};
    size.ws_row = 24;
    size.ws_col = 80;
    ioctl(master_, TIOCSWINSZ, &size);
    const char* name = ptsname(master_);
    tcgetattr(master_, &initial_);  // before the child can change it
    child_ = fork();
    if (child_ == 0) RunChild(name, routine);
  }
  ~PseudoTerminal() {
    if (child_ > 0 && !reaped_) {
      kill(child_, SIGKILL);
      waitpid(child_, nullptr, 0);
    }
    if (master_ >= 0) close(master_);
  }
  // Started, on a terminal in its usual cooked mode.
  bool ok() const {
    return master_ >= 0 && child_ > 0 &&
           (initial_.c_lflag & (ECHO | ICANON)) == static_cast<tcflag_t>(ECHO | ICANON);
  }

  // Reads until `text` has arrived since the last call; false after 10 s.
  bool WaitFor(const std::string& text) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (output_.find(text, mark_) == std::string::npos) {
      if (std::chrono::steady_clock::now() > deadline || !ReadSome(100)) return false;
    }
    mark_ = output_.find(text, mark_) + text.size();
    return true;
  }
  void Type(const std::string& keys) {
    ASSERT_EQ(write(master_, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
  }
  // Reads to the end and returns the child's exit status, or 1000 + the
  // signal that ended it (a child still running after 10 s is killed).
  int Finish() {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline && ReadSome(100)) {
    }
    if (std::chrono::steady_clock::now() >= deadline) kill(child_, SIGKILL);
    int status = 0;
    reaped_ = waitpid(child_, &status, 0) == child_;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
  }
  termios Mode() const {
    termios mode{};
    tcgetattr(master_, &mode);
    return mode;
  }
  // After the end: back on the normal screen, in the mode it started in.
  void ExpectRestored() const {
    EXPECT_NE(output_.rfind("\x1b[?1049l"), std::string::npos);
    termios after = Mode();
    const tcflag_t local = ECHO | ICANON | ISIG;
    EXPECT_EQ(after.c_lflag & local, initial_.c_lflag & local);
    EXPECT_EQ(after.c_iflag & ICRNL, initial_.c_iflag & ICRNL);
  }
  const std::string& output() const { return output_; }
  // What was written after the normal screen came back: the transcript.
  std::string AfterRestore() const {
    size_t at = output_.rfind("\x1b[?1049l");
    return at == std::string::npos ? "" : output_.substr(at);
  }
  void Signal(int number) { kill(child_, number); }

 private:
  // False when the child closed its side (or on error).
  bool ReadSome(int milliseconds) {
    pollfd p{master_, POLLIN, 0};
    int ready = poll(&p, 1, milliseconds);
    if (ready == 0) return true;
    char buffer[4096];
    ssize_t n = read(master_, buffer, sizeof buffer);
    if (n <= 0) return false;
    output_.append(buffer, static_cast<size_t>(n));
    return true;
  }

  int master_ = -1;
  pid_t child_ = -1;
  bool reaped_ = false;
  std::string output_;
  size_t mark_ = 0;
  termios initial_{};
};

TEST(TerminalWindow, DialogueInAPseudoTerminal) {
  PseudoTerminal pty;
  ASSERT_TRUE(pty.ok());
  ASSERT_TRUE(pty.WaitFor("\x1b[?1049h"));          // the alternate screen
  ASSERT_TRUE(pty.WaitFor("\x1b]0;dialogue\a"));    // the title
  ASSERT_TRUE(pty.WaitFor("File Name xxxxxx.XML? "));
  EXPECT_EQ(pty.Mode().c_lflag & (ECHO | ICANON), 0u);  // raw while it runs
  // a b c, Left Left, BackSpace (deletes a), 標 at the start: 標bc
  pty.Type("abc\x1b[D\x1b[D\x7f\xe6\xa8\x99\r");
  ASSERT_TRUE(pty.WaitFor("File Name xxxxxx.XML? \xe6\xa8\x99" "bc "));
  ASSERT_TRUE(pty.WaitFor("unit? "));
  pty.Type("x\r");
  ASSERT_TRUE(pty.WaitFor("\xe3\x82\x82\xe3\x81\x86"));  // もう一度入力してください
  pty.Type("\x1b[A" "2\x1b[C\r");                         // Up and Right do nothing
  ASSERT_TRUE(pty.WaitFor("[\xe6\xa8\x99" "bc/2]"));
  ASSERT_TRUE(pty.WaitFor("done? "));
  pty.Type("\r");
  EXPECT_EQ(pty.Finish(), 0);
  EXPECT_GT(pty.output().size(), 2000u);  // several renders of the screen
  pty.ExpectRestored();
}

TEST(TerminalWindow, CtrlCBreaksAndSigtermCloses) {
  {
    PseudoTerminal pty;
    ASSERT_TRUE(pty.ok());
    ASSERT_TRUE(pty.WaitFor("File Name xxxxxx.XML? "));
    pty.Type("\x03");
    ASSERT_TRUE(pty.WaitFor("\xe4\xb8\xad\xe6\x96\xad"));  // 中断しました
    pty.Type("k");
    EXPECT_EQ(pty.Finish(), 0);
  }
  {
    PseudoTerminal pty;
    ASSERT_TRUE(pty.ok());
    ASSERT_TRUE(pty.WaitFor("File Name xxxxxx.XML? "));
    pty.Signal(SIGTERM);
    EXPECT_EQ(pty.Finish(), 0);  // closed quietly
    pty.ExpectRestored();
  }
}

// A NUL is no key; a sequence whose rest never comes ends after a short
// wait, and the keys typed later count again.
TEST(TerminalWindow, ANulAndACutSequenceAreDropped) {
  PseudoTerminal pty;
  ASSERT_TRUE(pty.ok());
  ASSERT_TRUE(pty.WaitFor("File Name xxxxxx.XML? "));
  pty.Type(std::string("x\0\x1b[", 4));
  ASSERT_TRUE(pty.WaitFor("XML? x"));  // drawn: the wait for the rest has begun
  usleep(300'000);
  pty.Type("7\r");
  ASSERT_TRUE(pty.WaitFor("unit? "));
  pty.Type("1\r");
  ASSERT_TRUE(pty.WaitFor("[x7/1]"));
  pty.Type("\r");
  EXPECT_EQ(pty.Finish(), 0);
}

TEST(TerminalWindow, ACrashRestoresTheTerminal) {
  PseudoTerminal pty([] {
    io::SelectConsole(0);
    text::PushConstText(text::ConstText("working"));
    io::WriteText(0);
    frame::StatementHook();  // draws the screen
    raise(SIGSEGV);
  });
  ASSERT_TRUE(pty.ok());
  ASSERT_TRUE(pty.WaitFor("working"));
  EXPECT_EQ(pty.Finish(), 1000 + SIGSEGV);
  pty.ExpectRestored();
  EXPECT_NE(pty.AfterRestore().find("working"), std::string::npos);  // as last drawn
}

// The rows left behind are the console's final ones, also those written
// after the window was closed (and so never drawn).
TEST(TerminalWindow, TheTranscriptHoldsRowsNeverDrawn) {
  PseudoTerminal pty([] {
    io::SelectConsole(0);
    frame::StatementHook();
    raise(SIGTERM);
    text::PushConstText(text::ConstText("undrawn"));
    io::WriteText(0);
    frame::EndProgram(0);
  });
  ASSERT_TRUE(pty.ok());
  EXPECT_EQ(pty.Finish(), 0);
  EXPECT_NE(pty.AfterRestore().find("undrawn"), std::string::npos);
}

class RenderTest : public RuntimeTest {};

TEST_F(RenderTest, TheViewFollowsTheCursorInASmallTerminal) {
  io::ResetScreen();
  io::ConsoleScreen& screen = io::Screen();
  frontend::TerminalView view;
  view.columns = 40;
  view.rows = 10;
  struct Case {
    int row, column, first_row, first_column;
  };
  const Case cases[] = {{0, 0, 0, 0}, {9, 39, 0, 0}, {10, 40, 1, 1},
                        {23, 79, 14, 40}, {5, 45, 5, 40}, {0, 0, 0, 0}};
  for (const Case& c : cases) {
    screen.cursor_row = c.row;
    screen.cursor_column = c.column;
    frontend::FollowCursor(screen, view);
    EXPECT_EQ(view.first_row, c.first_row) << c.row << "," << c.column;
    EXPECT_EQ(view.first_column, c.first_column) << c.row << "," << c.column;
  }
}

TEST_F(RenderTest, DoubleByteCellsBecomeOneWideCharacter) {
  io::ResetScreen();
  const char text[] = "a\x95\x57" "b";
  io::WriteConsoleBytes(reinterpret_cast<const uint8_t*>(text), 4);
  frontend::TerminalView view;
  std::string frame = frontend::RenderScreen(io::Screen(), view);
  EXPECT_NE(frame.find("\x1b[1;1Ha\xe6\xa8\x99" "b "), std::string::npos);
  // A view starting on the trail cell shows a blank for the cut character.
  view.columns = 40;
  view.first_column = 2;
  frame = frontend::RenderScreen(io::Screen(), view);
  EXPECT_NE(frame.find("\x1b[1;1H b "), std::string::npos);
}

// The rows left on the normal screen: trailing blanks and blank rows at the
// bottom go, blank rows between stay, the last row and full rows count.
TEST_F(RenderTest, TheTranscriptKeepsTheRowsWithoutTrailingBlanks) {
  const std::string full(80, 'z');
  std::string to_last_row;
  for (int i = 0; i < 22; ++i) to_last_row += "\r\n";
  struct Case {
    std::string written, transcript;
  };
  const Case cases[] = {
      {"", ""},
      {"a\x95\x57" "b  \r\n\r\n x\x01y\r\n\r\n", "a\xe6\xa8\x99" "b\r\n\r\n x y\r\n"},
      {full + to_last_row + "end", full + "\r\n" + to_last_row + "end\r\n"},
  };
  for (const Case& c : cases) {
    io::ResetScreen();
    io::WriteConsoleBytes(reinterpret_cast<const uint8_t*>(c.written.data()),
                          static_cast<uint32_t>(c.written.size()));
    EXPECT_EQ(frontend::ScreenTranscript(io::Screen()), c.transcript) << c.written;
  }
}

}  // namespace
}  // namespace tolvex::testing
