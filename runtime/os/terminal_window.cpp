// The terminal front end (see terminal_window.h). Key presses are read only
// when SIGIO said bytes arrived, so a pump with nothing waiting makes no
// system call; the screen is drawn in one write when its cells changed.
#include "runtime/os/terminal_window.h"

#include <errno.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "runtime/io/console_screen.h"
#include "runtime/io/key_queue.h"
#include "runtime/os/stream_window.h"
#include "runtime/os/terminal_mode.h"

namespace tolvex::os {

bool TerminalWindow::Open(std::string_view title) {
  if (!EnterTerminalMode(input_fd_, output_fd_)) return false;
  open_ = true;
  closed_ = false;
  InstallCloseSignals(true);
  // ESC]0;text BEL: the window title (the program name, as the file system
  // gives it, which is UTF-8 here).
  std::string set_title = "\x1b]0;";
  set_title += title;
  set_title += '\a';
  WriteAll(output_fd_, set_title.data(), static_cast<uint32_t>(set_title.size()));
  UpdateSize();
  force_draw_ = true;
  RenderIfChanged();
  return true;
}

void TerminalWindow::UpdateSize() {
  winsize size{};
  if (::ioctl(output_fd_, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 && size.ws_row > 0) {
    view_.columns = size.ws_col;
    view_.rows = size.ws_row;
  } else {
    view_.columns = io::kScreenWidth;
    view_.rows = io::kScreenHeight;
  }
  force_draw_ = true;
}

bool TerminalWindow::CheckSignals() {
  if (Signals().close.load(std::memory_order_relaxed) != 0) closed_ = true;
  if (Signals().resized.exchange(0, std::memory_order_relaxed) != 0) {
    UpdateSize();
    // The terminal may have dropped what it showed; start from a clean page.
    WriteAll(output_fd_, "\x1b[2J", 4);
  }
  return !closed_;
}

void TerminalWindow::ReadAvailable() {
  uint8_t bytes[256];
  for (;;) {
    pollfd p{input_fd_, POLLIN, 0};
    int ready = ::poll(&p, 1, 0);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return;
    if ((p.revents & POLLIN) == 0) {
      closed_ = true;  // hang-up or error: the terminal has gone
      return;
    }
    ssize_t n = ::read(input_fd_, bytes, sizeof bytes);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      closed_ = true;
      return;
    }
    std::string keys;
    int unmappable = 0;
    io::DecodeKeys(decoder_, bytes, static_cast<uint32_t>(n), &keys, &unmappable);
    for (char key : keys) pending_.push_back(static_cast<uint8_t>(key));
    if (unmappable > 0) Beep();
  }
}

void TerminalWindow::RenderIfChanged() {
  const io::ConsoleScreen& screen = io::Screen();
  if (!force_draw_ && screen.version == drawn_version_) return;
  FollowCursor(screen, view_);
  std::string frame = RenderScreen(screen, view_);
  WriteAll(output_fd_, frame.data(), static_cast<uint32_t>(frame.size()));
  drawn_version_ = screen.version;
  force_draw_ = false;
  // What a crash leaves on the normal screen: the rows the user last saw.
  KeepTranscript(ScreenTranscript(screen));
}

bool TerminalWindow::PumpMessages() {
  if (!Exists()) return false;
  if (!CheckSignals()) return false;
  if (Signals().input_ready.exchange(0, std::memory_order_relaxed) != 0) ReadAvailable();
  if (closed_) return false;
  while (!pending_.empty()) {
    uint8_t key = pending_.front();
    pending_.pop_front();
    io::DeliverKey(key);
  }
  RenderIfChanged();
  return true;
}

bool TerminalWindow::WaitMessage() {
  while (Exists()) {
    if (!CheckSignals()) return false;
    if (!pending_.empty()) {
      uint8_t key = pending_.front();
      pending_.pop_front();
      io::DeliverKey(key);
      return true;
    }
    RenderIfChanged();
    Signals().input_ready.store(0, std::memory_order_relaxed);
    // Blocks until a key or SIGTERM, SIGHUP, SIGINT or SIGWINCH, which the
    // next round of the loop looks at.
    if (WaitReadableOrSignal(input_fd_)) ReadAvailable();
  }
  return false;
}

void TerminalWindow::Repaint() {
  if (!Exists()) return;
  force_draw_ = true;
  RenderIfChanged();
}

void TerminalWindow::Beep() {
  if (open_) WriteAll(output_fd_, "\a", 1);
}

void TerminalWindow::Close() {
  if (!open_) return;
  open_ = false;
  closed_ = true;
  // The restore leaves the console's final rows on the normal screen: what
  // was written, and the error that stopped the program, stay readable.
  KeepTranscript(ScreenTranscript(io::Screen()));
  RestoreTerminalNow();
  RemoveCloseSignals();
}

std::unique_ptr<io::WindowSystem> MakeStandardWindow() {
  if (::isatty(0) && ::isatty(1)) return std::make_unique<TerminalWindow>(0, 1);
  return std::make_unique<StreamWindow>(0, 1);
}

}  // namespace tolvex::os
