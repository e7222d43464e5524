// The terminal front end in a real pseudo-terminal (the dialogue, the break,
// signals, a crash; the mode and the console's rows restored afterwards), and
// the renderer: a view smaller than 80 x 24, double-byte cells, the transcript.
#include "runtime/frontend/terminal_window.h"

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

#include "runtime/frontend/terminal_render.h"
#include "runtime/io/console_screen.h"
#include "runtime/os/registry_store.h"
#include "tests/io/dialogue_routine.h"
#include "tests/io/console_test_support.h"

namespace tolvex::testing {
namespace {

// The parent side of a pseudo-terminal whose child runs the program on it:
// what the child sent, the terminal's mode, the child's end.
struct PseudoTerminal {
  explicit PseudoTerminal(void (*routine)() = DialogueRoutine) {
    winsize size{24, 80, 0, 0};
    child = forkpty(&master, nullptr, nullptr, &size);
    if (child != 0) return;
    setenv(os::kUserHiveVariable, "/dev/null/user.reg", 1);  // a crash records nothing anywhere
    frame::ResetRuntime();
    frontend::TerminalWindow window(0, 1);
    _exit(frame::RunProgramIn(window, "/opt/bin/dialogue", &kDialogueProgram, routine));
  }
  ~PseudoTerminal() {
    if (child > 0 && !reaped) {
      kill(child, SIGKILL);
      waitpid(child, nullptr, 0);
    }
    if (master >= 0) close(master);
  }
  // Reads until `text` has arrived since the last call; false after 10 s.
  bool WaitFor(const std::string& text) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (output.find(text, mark) == std::string::npos)
      if (std::chrono::steady_clock::now() > deadline || !ReadSome()) return false;
    mark = output.find(text, mark) + text.size();
    return true;
  }
  void Type(const std::string& keys) {
    ASSERT_EQ(write(master, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
  }
  // Reads to the end and returns the child's exit status, or 1000 + the
  // signal that ended it (a child still running after 10 s is killed).
  int Finish() {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (ReadSome())
      if (std::chrono::steady_clock::now() > deadline) kill(child, SIGKILL);
    int status = 0;
    reaped = waitpid(child, &status, 0) == child;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
  }
  termios Mode() const {
    termios mode{};
    tcgetattr(master, &mode);
    return mode;
  }
  // After the end: back on the normal screen, in the cooked mode a new
  // terminal starts in; returns what was written after that, the transcript.
  std::string ExpectRestored() const {
    const size_t at = output.rfind("\x1b[?1049l");
    EXPECT_NE(at, std::string::npos);
    const termios after = Mode();
    EXPECT_EQ(after.c_lflag & (ECHO | ICANON | ISIG), static_cast<tcflag_t>(ECHO | ICANON | ISIG));
    EXPECT_EQ(after.c_iflag & ICRNL, static_cast<tcflag_t>(ICRNL));
    return at == std::string::npos ? "" : output.substr(at);
  }
  // False when the child closed its side (or on error).
  bool ReadSome() {
    pollfd p{master, POLLIN, 0};
    if (poll(&p, 1, 100) == 0) return true;
    char buffer[4096];
    ssize_t n = read(master, buffer, sizeof buffer);
    if (n > 0) output.append(buffer, static_cast<size_t>(n));
    return n > 0;
  }

  int master = -1;
  pid_t child = -1;
  bool reaped = false;
  std::string output;
  size_t mark = 0;
};

TEST(TerminalWindow, DialogueInAPseudoTerminal) {
  PseudoTerminal pty;
  ASSERT_GT(pty.child, 0);
  ASSERT_TRUE(pty.WaitFor("\x1b[?1049h"));          // the alternate screen
  ASSERT_TRUE(pty.WaitFor("\x1b]0;dialogue\a"));    // the title
  ASSERT_TRUE(pty.WaitFor("File Name xxxxxx.XML? "));
  EXPECT_EQ(pty.Mode().c_lflag & (ECHO | ICANON), 0u);  // raw while it runs
  // A NUL is no key; a sequence whose rest never comes ends after a short
  // wait, and the keys typed later count again: d, Left x3, BackSpace
  // (deletes a), 標 at the start: 標bcd.
  pty.Type(std::string("abc\0\x1b[", 6));
  ASSERT_TRUE(pty.WaitFor("XML? abc"));  // drawn: the wait for the rest has begun
  usleep(300'000);
  pty.Type("d\x1b[D\x1b[D\x1b[D\x7f\xe6\xa8\x99\r");
  ASSERT_TRUE(pty.WaitFor("File Name xxxxxx.XML? \xe6\xa8\x99" "bcd "));
  ASSERT_TRUE(pty.WaitFor("unit? "));
  pty.Type("x\r");
  ASSERT_TRUE(pty.WaitFor("\xe3\x82\x82\xe3\x81\x86"));  // もう一度入力してください
  pty.Type("\x1b[A" "2\x1b[C\r");                         // Up and Right do nothing
  ASSERT_TRUE(pty.WaitFor("[\xe6\xa8\x99" "bcd/2]"));
  ASSERT_TRUE(pty.WaitFor("done? "));
  pty.Type("\r");
  EXPECT_EQ(pty.Finish(), 0);
  EXPECT_GT(pty.output.size(), 2000u);  // several renders of the screen
  pty.ExpectRestored();
}

// Ctrl+C at a question breaks; SIGTERM closes quietly.
TEST(TerminalWindow, CtrlCBreaksAndSigtermCloses) {
  for (bool ctrl_c : {true, false}) {
    PseudoTerminal pty;
    ASSERT_GT(pty.child, 0);
    ASSERT_TRUE(pty.WaitFor("File Name xxxxxx.XML? "));
    if (ctrl_c) {
      pty.Type("\x03");
      ASSERT_TRUE(pty.WaitFor("\xe4\xb8\xad\xe6\x96\xad"));  // 中断しました
      pty.Type("k");
    } else {
      kill(pty.child, SIGTERM);
    }
    EXPECT_EQ(pty.Finish(), 0) << ctrl_c;
    pty.ExpectRestored();
  }
}

void Say(const char* text) {
  io::SelectConsole(0);
  text::PushConstText(text::ConstText(text));
  io::WriteText(0);
}

// A crash restores the terminal and leaves the rows last drawn; a window
// closed by SIGTERM leaves the console's final rows, also those written
// after the close (and so never drawn).
TEST(TerminalWindow, TheTerminalIsRestoredAndTheTranscriptLeft) {
  const struct Row {
    void (*routine)();
    const char* text;
    int status;
  } rows[] = {
      {[] { Say("working"); frame::StatementHook(); raise(SIGSEGV); }, "working", 1000 + SIGSEGV},
      {[] { frame::StatementHook(); raise(SIGTERM); Say("undrawn"); frame::EndProgram(0); },
       "undrawn", 0},
  };
  for (const Row& row : rows) {
    PseudoTerminal pty(row.routine);
    ASSERT_GT(pty.child, 0);
    EXPECT_EQ(pty.Finish(), row.status);
    EXPECT_NE(pty.ExpectRestored().find(row.text), std::string::npos) << row.text;
  }
}

using RenderTest = ConsoleTest;

TEST_F(RenderTest, TheViewFollowsTheCursorInASmallTerminal) {
  io::ConsoleScreen& screen = io::Screen();
  frontend::TerminalView view;
  view.columns = 40;
  view.rows = 10;
  const struct Case {
    int row, column, first_row, first_column;
  } cases[] = {{0, 0, 0, 0}, {9, 39, 0, 0}, {10, 40, 1, 1}, {23, 79, 14, 40}, {5, 45, 5, 40},
               {0, 0, 0, 0}};
  for (const Case& c : cases) {
    screen.cursor_row = c.row;
    screen.cursor_column = c.column;
    frontend::FollowCursor(screen, view);
    EXPECT_EQ(view.first_row, c.first_row) << c.row << "," << c.column;
    EXPECT_EQ(view.first_column, c.first_column) << c.row << "," << c.column;
  }
}

TEST_F(RenderTest, DoubleByteCellsBecomeOneWideCharacter) {
  Write("a\x95\x57" "b");
  frontend::TerminalView view;
  EXPECT_NE(frontend::RenderScreen(io::Screen(), view).find("\x1b[1;1Ha\xe6\xa8\x99" "b "),
            std::string::npos);
  // A view starting on the trail cell shows a blank for the cut character.
  view.columns = 40;
  view.first_column = 2;
  EXPECT_NE(frontend::RenderScreen(io::Screen(), view).find("\x1b[1;1H b "), std::string::npos);
}

// The rows left on the normal screen: trailing blanks and blank rows at the
// bottom go, blank rows between stay, the last row and full rows count.
TEST_F(RenderTest, TheTranscriptKeepsTheRowsWithoutTrailingBlanks) {
  const std::string full(80, 'z');
  std::string to_last_row;
  for (int i = 0; i < 22; ++i) to_last_row += "\r\n";
  const struct Case {
    std::string written, transcript;
  } cases[] = {
      {"", ""},
      {"a\x95\x57" "b  \r\n\r\n x\x01y\r\n\r\n", "a\xe6\xa8\x99" "b\r\n\r\n x y\r\n"},
      {full + to_last_row + "end", full + "\r\n" + to_last_row + "end\r\n"},
  };
  for (const Case& c : cases) {
    io::ResetScreen();
    Write(c.written);
    EXPECT_EQ(frontend::ScreenTranscript(io::Screen()), c.transcript) << c.written;
  }
}

}  // namespace
}  // namespace tolvex::testing
