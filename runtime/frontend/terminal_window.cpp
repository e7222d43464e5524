// The terminal front end (see terminal_window.h). Key presses are read only
// when SIGIO said bytes arrived, so a pump with nothing waiting makes no
// system call; the screen is drawn in one write when its cells changed.
#include "runtime/frontend/terminal_window.h"

#include <errno.h>

#include "runtime/core/attention.h"
#include "runtime/frontend/stream_window.h"
#include "runtime/io/console_screen.h"
#include "runtime/io/key_queue.h"
#include "runtime/os/descriptor_io.h"
#include "runtime/os/terminal_mode.h"

namespace tolvex::frontend {

bool TerminalWindow::Open(std::string_view title) {
  if (!os::EnterTerminalMode(input_fd_, output_fd_)) return false;
  open_ = true;
  closed_ = false;
  // Ctrl+C from outside (a kill -INT) is the break key, as typed.
  os::InstallCloseSignals([] { core::RequestAttention(core::kAttentionBreakSignal); });
  // ESC]0;text BEL: the window title (the program name, as the file system
  // gives it, which is UTF-8 here).
  std::string set_title = "\x1b]0;";
  set_title += title;
  set_title += '\a';
  os::WriteAll(output_fd_, set_title.data(), static_cast<uint32_t>(set_title.size()));
  UpdateSize();
  force_draw_ = true;
  RenderIfChanged();
  return true;
}

void TerminalWindow::UpdateSize() {
  int columns = 0, rows = 0;
  if (os::TerminalSize(output_fd_, &columns, &rows)) {
    view_.columns = columns;
    view_.rows = rows;
  } else {
    view_.columns = io::kScreenWidth;
    view_.rows = io::kScreenHeight;
  }
  force_draw_ = true;
}

int TerminalWindow::ClosingSignal() const {
  return static_cast<int>(os::Signals().close.load(std::memory_order_relaxed));
}

bool TerminalWindow::CheckSignals() {
  if (os::Signals().close.load(std::memory_order_relaxed) != 0) closed_ = true;
  if (os::Signals().resized.exchange(0, std::memory_order_relaxed) != 0) {
    UpdateSize();
    // The terminal may have dropped what it showed; start from a clean page.
    os::WriteAll(output_fd_, "\x1b[2J", 4);
  }
  return !closed_;
}

void TerminalWindow::ReadAvailable() {
  uint8_t bytes[256];
  for (;;) {
    os::Readiness ready = os::PollReadable(input_fd_, 0);
    if (ready == os::Readiness::kInterrupted) continue;
    if (ready == os::Readiness::kNotYet) return;
    if (ready == os::Readiness::kGone) {
      closed_ = true;  // hang-up or error: the terminal has gone
      return;
    }
    long n = os::ReadSome(input_fd_, bytes, sizeof bytes);
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
  os::WriteAll(output_fd_, frame.data(), static_cast<uint32_t>(frame.size()));
  drawn_version_ = screen.version;
  force_draw_ = false;
  // What a crash leaves on the normal screen: the rows the user last saw.
  os::KeepTranscript(ScreenTranscript(screen));
}

bool TerminalWindow::PumpMessages() {
  if (!Exists()) return false;
  if (!CheckSignals()) return false;
  if (os::Signals().input_ready.exchange(0, std::memory_order_relaxed) != 0) ReadAvailable();
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
    os::Signals().input_ready.store(0, std::memory_order_relaxed);
    if (io::AwaitsRest(decoder_)) {
      AwaitRestOfSequence();
    } else if (os::WaitReadableOrSignal(input_fd_)) {
      // Blocked until a key or SIGTERM, SIGHUP, SIGINT or SIGWINCH, which
      // the next round of the loop looks at.
      ReadAvailable();
    }
  }
  return false;
}

// A terminal sends a sequence in one write, so its rest comes at once or
// never (a cut connection, a stray ESC [ in a paste). A signal that comes
// during this short wait is looked at when it ends.
void TerminalWindow::AwaitRestOfSequence() {
  os::Readiness ready = os::PollReadable(input_fd_, kSequenceGapMilliseconds);
  if (ready == os::Readiness::kReadable || ready == os::Readiness::kGone) {
    ReadAvailable();
  } else if (ready == os::Readiness::kNotYet) {
    int unmappable = 0;
    io::EndIncomplete(decoder_, &unmappable);
    if (unmappable > 0) Beep();
  }
}

void TerminalWindow::Repaint() {
  if (!Exists()) return;
  force_draw_ = true;
  RenderIfChanged();
}

void TerminalWindow::Beep() {
  if (open_) os::WriteAll(output_fd_, "\a", 1);
}

void TerminalWindow::Close() {
  if (!open_) return;
  open_ = false;
  closed_ = true;
  // The restore leaves the console's final rows on the normal screen: what
  // was written, and the error that stopped the program, stay readable.
  os::KeepTranscript(ScreenTranscript(io::Screen()));
  os::RestoreTerminalNow();
  os::RemoveCloseSignals();
}

std::unique_ptr<io::WindowSystem> MakeStandardWindow() {
  if (os::IsTerminal(0) && os::IsTerminal(1)) return std::make_unique<TerminalWindow>(0, 1);
  return std::make_unique<StreamWindow>(0, 1);
}

}  // namespace tolvex::frontend
