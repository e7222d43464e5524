// The terminal's mode and the process signals (see terminal_mode.h). The
// restore path uses only async-signal-safe calls and data set up earlier.
#include "runtime/os/terminal_mode.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>


namespace tolvex::os {
namespace {

SignalFlags g_signals;

// Saved at entry; read by the restore, which may run in a signal handler.
struct SavedTerminal {
  termios mode;
  int input_fd = -1;
  int output_fd = -1;
  int input_flags = 0;
  volatile sig_atomic_t active = 0;
};
SavedTerminal g_saved;

// Escape sequences sent on entry and exit (the renderer lists its own).
//   ESC[?1049h / ESC[?1049l  alternate screen on / off (saves the cursor)
//   ESC[?25h                 cursor visible
//   ESC[0m                   attributes off
//   ESC]0;...BEL             the title (sent by the terminal window)
//   ESC[22;0t / ESC[23;0t    save / restore the title (where supported)
constexpr char kEnter[] = "\x1b[22;0t\x1b[?1049h\x1b[H\x1b[2J";
constexpr char kLeave[] = "\x1b[0m\x1b[?25h\x1b[?1049l\x1b[23;0t";

constexpr int kCloseSignals[] = {SIGHUP, SIGTERM};

// The transcript the restore writes. Two halves: a new text is copied into
// the half not shown, then made the shown one, so a restore from a signal
// handler never writes a half-copied text.
constexpr size_t kTranscriptBytes = 8192;  // 24 rows x (80 cells x 3 bytes + CR LF) = 5808
struct KeptTranscript {
  char bytes[2][kTranscriptBytes];
  size_t length[2] = {0, 0};
  volatile sig_atomic_t shown = 0;
};
KeptTranscript g_transcript;

// A signal that arrives between a wait's look at the flags and its blocking
// call would be lost; the handlers therefore also write one byte to this
// pipe, which every blocking wait watches.
int g_wake_pipe[2] = {-1, -1};

void Wake() {
  if (g_wake_pipe[1] < 0) return;
  int saved = errno;
  char byte = 1;
  [[maybe_unused]] ssize_t n = ::write(g_wake_pipe[1], &byte, 1);
  errno = saved;
}

void OnClose(int signal_number) {
  g_signals.close.store(static_cast<uint32_t>(signal_number), std::memory_order_relaxed);
  Wake();
}
// What SIGINT runs where it is the break key (async-signal-safe).
void (*g_on_interrupt)() = nullptr;

void OnInterrupt(int) {
  if (g_on_interrupt != nullptr) g_on_interrupt();
  Wake();
}
void OnInput(int) { g_signals.input_ready.store(1, std::memory_order_relaxed); }
void OnResize(int) {
  g_signals.resized.store(1, std::memory_order_relaxed);
  Wake();
}

void OpenWakePipe() {
  if (g_wake_pipe[0] >= 0) return;
  if (::pipe2(g_wake_pipe, O_NONBLOCK | O_CLOEXEC) != 0) g_wake_pipe[0] = g_wake_pipe[1] = -1;
}

void DrainWakePipe() {
  char bytes[64];
  while (g_wake_pipe[0] >= 0 && ::read(g_wake_pipe[0], bytes, sizeof bytes) > 0) {
  }
}

void Install(int signal_number, void (*handler)(int), bool restart) {
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  // Without SA_RESTART a blocking read ends with EINTR, so a close request
  // is seen while the program waits for a key.
  action.sa_flags = restart ? SA_RESTART : 0;
  ::sigaction(signal_number, &action, nullptr);
}

}  // namespace

SignalFlags& Signals() { return g_signals; }

bool EnterTerminalMode(int input_fd, int output_fd) {
  termios mode;
  if (!::isatty(input_fd) || ::tcgetattr(input_fd, &mode) != 0) return false;
  g_saved.mode = mode;
  g_saved.input_fd = input_fd;
  g_saved.output_fd = output_fd;
  g_saved.input_flags = ::fcntl(input_fd, F_GETFL);
  mode.c_iflag &= ~static_cast<tcflag_t>(BRKINT | ICRNL | INPCK | ISTRIP | IXON);
  mode.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  mode.c_cflag |= CS8;
  mode.c_lflag &= ~static_cast<tcflag_t>(ECHO | ICANON | IEXTEN | ISIG);
  mode.c_cc[VMIN] = 1;
  mode.c_cc[VTIME] = 0;
  g_saved.active = 1;
  static bool registered = false;
  if (!registered) {
    registered = true;
    std::atexit(RestoreTerminalNow);  // also when something calls exit()
  }
  if (::tcsetattr(input_fd, TCSAFLUSH, &mode) != 0) {
    g_saved.active = 0;
    return false;
  }
  WriteAll(output_fd, kEnter, sizeof kEnter - 1);
  // Key arrival raises SIGIO, which only sets a flag: the pump then costs
  // no system call while nobody types.
  Install(SIGIO, OnInput, true);
  Install(SIGWINCH, OnResize, true);
  ::fcntl(input_fd, F_SETOWN, ::getpid());
  if (g_saved.input_flags >= 0) ::fcntl(input_fd, F_SETFL, g_saved.input_flags | O_ASYNC);
  return true;
}

void RestoreTerminalNow() {
  if (!g_saved.active) return;
  g_saved.active = 0;
  if (g_saved.input_flags >= 0) ::fcntl(g_saved.input_fd, F_SETFL, g_saved.input_flags);
  WriteAll(g_saved.output_fd, kLeave, sizeof kLeave - 1);
  ::tcsetattr(g_saved.input_fd, TCSAFLUSH, &g_saved.mode);
  int shown = g_transcript.shown;
  WriteAll(g_saved.output_fd, g_transcript.bytes[shown], g_transcript.length[shown]);
}

void KeepTranscript(std::string_view text) {
  int next = 1 - g_transcript.shown;
  size_t length = std::min(text.size(), kTranscriptBytes);
  if (length > 0) std::memcpy(g_transcript.bytes[next], text.data(), length);
  g_transcript.length[next] = length;
  std::atomic_signal_fence(std::memory_order_release);
  g_transcript.shown = next;
}

void InstallCloseSignals(void (*on_interrupt)()) {
  OpenWakePipe();
  g_signals.close.store(0, std::memory_order_relaxed);
  for (int s : kCloseSignals) Install(s, OnClose, false);
  g_on_interrupt = on_interrupt;
  if (on_interrupt != nullptr)
    Install(SIGINT, OnInterrupt, true);
  else
    Install(SIGINT, OnClose, false);
}

void RemoveCloseSignals() {
  for (int s : kCloseSignals) ::signal(s, SIG_DFL);
  ::signal(SIGINT, SIG_DFL);
  // O_ASYNC is off again by now; a late SIGIO must not end the process.
  ::signal(SIGIO, SIG_IGN);
  ::signal(SIGWINCH, SIG_DFL);
}

bool WaitReadableOrSignal(int fd) {
  for (;;) {
    pollfd watched[2] = {{fd, POLLIN, 0}, {g_wake_pipe[0], POLLIN, 0}};
    int ready = ::poll(watched, g_wake_pipe[0] >= 0 ? 2 : 1, -1);
    if (ready < 0) {
      if (errno == EINTR) return false;  // a signal: let the caller look at the flags
      return true;  // let the caller's read report the failure
    }
    if (watched[1].revents != 0) {
      DrainWakePipe();
      return false;
    }
    if (watched[0].revents != 0) return true;
  }
}

}  // namespace tolvex::os
