// The stream front end, for scripts: each question takes one answer line
// from stdin; stdout receives what the console shows, as UTF-8 with LF;
// stderr why an answer was refused, and the report of a runtime error.
#pragma once
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "runtime/io/keyboard_input.h"
#include "runtime/io/window_system.h"

namespace tolvex::frontend {

// Why an answer line is refused. A refused answer is never acted on: the
// window says why on stderr and closes, and the program ends with status 1.
enum class AnswerRefusal : uint8_t {
  kNone,
  kUnheldCharacters,  // a character code page 932 cannot hold exactly
  kNulByte,           // a NUL byte, which the entry does not take
  kTooLong,           // more than the entry holds: acting on it would cut it
};

class StreamWindow : public io::WindowSystem {
 public:
  // Answers come from `input_fd`, the console's text goes to `output_fd`;
  // refusals and error reports are said on `error_fd`.
  StreamWindow(int input_fd, int output_fd, int error_fd = 2)
      : input_fd_(input_fd), output_fd_(output_fd), error_fd_(error_fd) {}
  ~StreamWindow() override { Close(); }

  bool Open(std::string_view title) override;
  bool PumpMessages() override;
  bool WaitMessage() override;
  bool Exists() const override { return open_ && !closed_; }
  void Repaint() override {}
  void Beep() override {}
  void Close() override;
  void ShowText(const uint8_t* bytes, uint32_t length) override;
  void ShowReport(const uint8_t* bytes, uint32_t length) override;
  bool InputRefused() const override { return refused_; }
  int ClosingSignal() const override;

 private:
  // Reads one line byte by byte, so nothing past it is taken from stdin
  // (the answers of later questions stay there). False at end of input.
  // Keeps at most kLongestAnswerLine + 1 bytes of it: a longer line is
  // refused anyway, and the rest of it is read and dropped.
  bool ReadAnswerLine(std::string* line);
  // Says on stderr why `answer` is refused, and closes the window.
  void Refuse(const std::string& answer, AnswerRefusal reason);

  int input_fd_;
  int output_fd_;
  int error_fd_;
  std::string program_;  // the title: names the program in a refusal
  bool open_ = false;
  bool closed_ = false;
  bool refused_ = false;
  bool after_cr_ = false;       // the last line ended with CR: skip one LF
  uint32_t known_waiting_ = 0;  // bytes stdin holds for sure: read without a wait
  uint8_t carried_lead_ = 0;    // a lead byte whose trail comes next write
  std::deque<uint8_t> pending_;  // the answer's keys, Enter last
};

// The longest answer line (bytes as read) whose code page 932 form can fit
// the entry: a half-width katakana takes three UTF-8 bytes for its one byte,
// the most of any character (four-byte ones have no form at all). A longer
// line is refused whatever it holds.
constexpr size_t kLongestAnswerLine = 3 * io::kEntryMax;

// An answer line as code page 932 into *cp932: UTF-8 characters converted,
// bytes that are no UTF-8 taken as they are (code page 932 already). Refused
// at the first character with no exact form (é, Hangul, "〜"; see
// Utf8ToCp932Exact) or NUL byte, then when the result passes io::kEntryMax.
// Example: "標a" -> kNone, "\x95\x57" "a".
AnswerRefusal AnswerToCp932(const std::string& line, std::string* cp932);
// The line stderr gets for a refused answer (UTF-8, LF); a NUL shows as
// \0, a long answer by its first 40 bytes (cut before a character) and
// "...". Examples:
//   tolvex: answer "café" holds characters that code page 932 cannot hold
//   tolvex: answer "ab\0c" holds a NUL byte, which an entry does not take
//   tolvex: answer "aaaa(40 in all)..." is longer than the 255 bytes an entry holds
std::string RefusalLine(std::string_view program, const std::string& answer,
                        AnswerRefusal reason);
// Console bytes as UTF-8 for stdout: CR dropped, LF kept; `carried_lead`
// holds a lead byte across calls. Bytes with no character become '?'.
std::string ConsoleToUtf8(const uint8_t* bytes, uint32_t length, uint8_t* carried_lead);

}  // namespace tolvex::frontend
