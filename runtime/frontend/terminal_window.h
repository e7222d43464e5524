// The terminal front end: the main window drawn in the user's terminal (its
// alternate screen), the keyboard read raw from it; and the choice between
// it and the standard streams at start.
#pragma once
#include <deque>
#include <memory>
#include <string>

#include "runtime/frontend/terminal_render.h"
#include "runtime/io/key_decoder.h"
#include "runtime/io/window_system.h"

namespace tolvex::frontend {

class TerminalWindow : public io::WindowSystem {
 public:
  // How long an incomplete key sequence waits for its rest: the bytes of
  // one key come together, and 50 ms is shorter than any pause a typist
  // would notice.
  static constexpr int kSequenceGapMilliseconds = 50;

  TerminalWindow(int input_fd, int output_fd) : input_fd_(input_fd), output_fd_(output_fd) {}
  ~TerminalWindow() override { Close(); }

  bool Open(std::string_view title) override;
  bool PumpMessages() override;
  bool WaitMessage() override;
  bool Exists() const override { return open_ && !closed_; }
  int ClosingSignal() const override;
  void Repaint() override;
  void Beep() override;
  void Close() override;

 private:
  // Reads what the terminal has (without blocking) into pending_.
  void ReadAvailable();
  // Waits kSequenceGapMilliseconds for the rest of an incomplete sequence,
  // then ends it.
  void AwaitRestOfSequence();
  bool CheckSignals();  // false when a close was requested
  void RenderIfChanged();
  void UpdateSize();

  int input_fd_;
  int output_fd_;
  bool open_ = false;
  bool closed_ = false;
  io::KeyDecoder decoder_;
  std::deque<uint8_t> pending_;  // decoded key presses not yet dispatched
  TerminalView view_;
  uint32_t drawn_version_ = ~0u;
  bool force_draw_ = true;
};

// The terminal when stdin and stdout are terminals, else the streams.
std::unique_ptr<io::WindowSystem> MakeStandardWindow();

}  // namespace tolvex::frontend
