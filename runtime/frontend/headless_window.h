// The headless window: the main window for tests. Key presses come from a
// script; the screen is read cell by cell from the console screen itself.
// Holds no OS code.
#pragma once
#include <deque>
#include <string>
#include <string_view>

#include "runtime/io/window_system.h"

namespace tolvex::frontend {

class HeadlessWindow : public io::WindowSystem {
 public:
  // Queues key presses, one message per byte (code page 932 bytes and
  // console key codes). A pump dispatches all waiting messages; a wait for
  // a key dispatches one.
  void Type(std::string_view keys);
  // Queues the user's close request after the keys typed so far.
  void RequestClose();
  // When the script has run out, a wait ends as if the window were closed,
  // so a test never hangs.
  size_t Waiting() const { return messages_.size(); }

  bool Open(std::string_view title) override;
  bool PumpMessages() override;
  bool WaitMessage() override;
  bool Exists() const override { return open_ && !closed_; }
  void Repaint() override { ++repaints; }
  void Beep() override { ++beeps; }
  void Close() override;
  void ShowText(const uint8_t* bytes, uint32_t length) override;
  int ClosingSignal() const override { return closed_ ? closing_signal : 0; }

  std::string title;
  std::string shown;  // everything ShowText received
  int pumps = 0;
  int beeps = 0;
  int repaints = 0;
  bool refuse_open = false;  // Open fails, as a window that cannot be made
  int closing_signal = 0;    // the signal a close request stands for

 private:
  bool Dispatch();  // one message; false when it was the close request

  std::deque<int> messages_;  // a byte, or -1 for the close request
  bool open_ = false;
  bool closed_ = false;
};

}  // namespace tolvex::frontend
