// The stream front end, for scripts: each question takes one answer line
// from stdin; stdout receives what the console shows, as UTF-8 with LF.
#pragma once
#include <deque>
#include <string>

#include "runtime/io/window_system.h"

namespace tolvex::os {

class StreamWindow : public io::WindowSystem {
 public:
  StreamWindow(int input_fd, int output_fd) : input_fd_(input_fd), output_fd_(output_fd) {}
  ~StreamWindow() override { Close(); }

  bool Open(std::string_view title) override;
  bool PumpMessages() override;
  bool WaitMessage() override;
  bool Exists() const override { return open_ && !closed_; }
  void Repaint() override {}
  void Beep() override {}
  void Close() override;
  void ShowText(const uint8_t* bytes, uint32_t length) override;

 private:
  // Reads one line byte by byte, so nothing past it is taken from stdin
  // (the answers of later questions stay there). False at end of input.
  bool ReadAnswerLine(std::string* line);

  int input_fd_;
  int output_fd_;
  bool open_ = false;
  bool closed_ = false;
  bool after_cr_ = false;       // the last line ended with CR: skip one LF
  uint8_t carried_lead_ = 0;    // a lead byte whose trail comes next write
  std::deque<uint8_t> pending_;  // the answer's keys, Enter last
};

// An answer line as code page 932: UTF-8 characters converted, those with
// no such form left out, bytes that are no UTF-8 taken as they are.
std::string AnswerToCp932(const std::string& line);
// Console bytes as UTF-8 for stdout: CR dropped, LF kept; `carried_lead`
// holds a lead byte across calls. Bytes with no character become '?'.
std::string ConsoleToUtf8(const uint8_t* bytes, uint32_t length, uint8_t* carried_lead);

}  // namespace tolvex::os
