// The stream front end (see stream_window.h). Nothing is read from stdin
// until a key is waited for, and then only up to the end of one line.
#include "runtime/frontend/stream_window.h"

#include <errno.h>

#include "runtime/io/key_queue.h"
#include "runtime/os/code_page.h"
#include "runtime/os/descriptor_io.h"
#include "runtime/os/terminal_mode.h"

namespace tolvex::frontend {
namespace {

size_t Utf8Length(const std::string& text, size_t i) {
  unsigned char c = static_cast<unsigned char>(text[i]);
  size_t n = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
  if (n == 0 || i + n > text.size()) return 0;
  for (size_t k = 1; k < n; ++k)
    if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 0;
  return n;
}

// A long answer in a refusal: its beginning, cut before a character.
constexpr size_t kShownBytes = 40;

std::string Beginning(const std::string& answer) {
  if (answer.size() <= kShownBytes) return answer;
  size_t n = kShownBytes;
  while (n > 0 && (static_cast<unsigned char>(answer[n]) & 0xC0) == 0x80) --n;
  return answer.substr(0, n) + "...";
}

}  // namespace

AnswerRefusal AnswerToCp932(const std::string& line, std::string* cp932) {
  cp932->clear();
  for (size_t i = 0; i < line.size();) {
    unsigned char c = static_cast<unsigned char>(line[i]);
    // Key 0 would be the cut-off wait, ending the program as if the input
    // had ended; the entry takes no NUL.
    if (c == 0) return AnswerRefusal::kNulByte;
    size_t n = c < 0x80 ? 1 : Utf8Length(line, i);
    if (n <= 1) {  // ASCII, or no UTF-8: a code page 932 byte already
      *cp932 += line[i++];
      continue;
    }
    std::string one;
    if (!os::Utf8ToCp932Exact(std::string_view(line).substr(i, n), &one))
      return AnswerRefusal::kUnheldCharacters;
    *cp932 += one;
    i += n;
  }
  // The editor would beep and drop the rest: a name cut so could name
  // another tile.
  if (cp932->size() > io::kEntryMax) return AnswerRefusal::kTooLong;
  return AnswerRefusal::kNone;
}

std::string RefusalLine(std::string_view program, const std::string& answer,
                        AnswerRefusal reason) {
  std::string why;
  switch (reason) {
    case AnswerRefusal::kUnheldCharacters:
      why = "holds characters that code page 932 cannot hold";
      break;
    case AnswerRefusal::kNulByte:
      why = "holds a NUL byte, which an entry does not take";
      break;
    case AnswerRefusal::kTooLong:
      why = "is longer than the " + std::to_string(io::kEntryMax) + " bytes an entry holds";
      break;
    case AnswerRefusal::kNone:
      break;
  }
  std::string shown;
  for (char c : reason == AnswerRefusal::kTooLong ? Beginning(answer) : answer) {
    if (c == '\0') {
      shown += "\\0";
    } else {
      shown += c;
    }
  }
  return std::string(program) + ": answer \"" + shown + "\" " + why + "\n";
}

std::string ConsoleToUtf8(const uint8_t* bytes, uint32_t length, uint8_t* carried_lead) {
  std::string out;
  for (uint32_t i = 0; i < length; ++i) {
    uint8_t b = bytes[i];
    char pair[2];
    size_t n = 1;
    if (*carried_lead != 0) {
      pair[0] = static_cast<char>(*carried_lead);
      pair[1] = static_cast<char>(b);
      n = 2;
      *carried_lead = 0;
    } else if (os::IsLeadByte(b)) {
      *carried_lead = b;
      continue;
    } else {
      pair[0] = static_cast<char>(b);
    }
    if (n == 1 && b == '\r') continue;
    if (n == 1 && b < 0x80) {
      out += static_cast<char>(b);
      continue;
    }
    std::string utf8;
    if (os::Cp932ToUtf8(std::string_view(pair, n), &utf8) && !utf8.empty()) {
      out += utf8;
    } else {
      out += '?';
    }
  }
  return out;
}

bool StreamWindow::Open(std::string_view title) {
  program_ = title;
  open_ = true;
  closed_ = false;
  refused_ = false;
  os::InstallCloseSignals(nullptr);
  return true;
}

int StreamWindow::ClosingSignal() const {
  return static_cast<int>(os::Signals().close.load(std::memory_order_relaxed));
}

bool StreamWindow::PumpMessages() {
  if (!Exists()) return false;
  if (os::Signals().close.load(std::memory_order_relaxed) != 0) {
    closed_ = true;
    return false;
  }
  while (!pending_.empty()) {
    uint8_t key = pending_.front();
    pending_.pop_front();
    io::DeliverKey(key);
  }
  return true;
}

bool StreamWindow::ReadAnswerLine(std::string* line) {
  bool any = false;
  for (;;) {
    if (os::Signals().close.load(std::memory_order_relaxed) != 0) return false;
    if (known_waiting_ > 0) {
      --known_waiting_;
    } else {
      if (!os::WaitReadableOrSignal(input_fd_)) continue;  // a signal: look at the flags
      // Bytes known to be waiting need no wait before each, which halves
      // the cost of a long line.
      known_waiting_ = os::BytesWaiting(input_fd_);
      if (known_waiting_ > 0) --known_waiting_;  // the one read now
    }
    char c;
    long n = os::ReadSome(input_fd_, &c, 1);
    if (n < 0) {
      known_waiting_ = 0;
      if (errno == EINTR) continue;
      return any;
    }
    if (n == 0) return any;
    if (after_cr_) {
      after_cr_ = false;
      if (c == '\n') continue;  // the LF of a CR LF
    }
    any = true;
    if (c == '\n') return true;
    if (c == '\r') {
      after_cr_ = true;
      return true;
    }
    if (line->size() <= kLongestAnswerLine) *line += c;
  }
}

bool StreamWindow::WaitMessage() {
  if (!Exists()) return false;
  if (pending_.empty()) {
    std::string line;
    if (!ReadAnswerLine(&line)) {
      closed_ = true;  // end of input closes the window
      return false;
    }
    std::string keys;
    AnswerRefusal refusal = AnswerToCp932(line, &keys);
    if (refusal != AnswerRefusal::kNone) {
      Refuse(line, refusal);
      return false;
    }
    for (char c : keys) pending_.push_back(static_cast<uint8_t>(c));
    pending_.push_back('\r');
  }
  uint8_t key = pending_.front();
  pending_.pop_front();
  io::DeliverKey(key);
  return true;
}

void StreamWindow::ShowText(const uint8_t* bytes, uint32_t length) {
  if (!open_) return;
  std::string text = ConsoleToUtf8(bytes, length, &carried_lead_);
  if (!text.empty()) os::WriteAll(output_fd_, text.data(), static_cast<uint32_t>(text.size()));
}

void StreamWindow::Refuse(const std::string& answer, AnswerRefusal reason) {
  std::string text = RefusalLine(program_, answer, reason);
  os::WriteAll(error_fd_, text.data(), static_cast<uint32_t>(text.size()));
  refused_ = true;
  closed_ = true;  // the wait is cut off: nothing after the answer runs
}

// The console's report shows its lines from its first line end on; stderr
// gets them as lines of their own.
void StreamWindow::ShowReport(const uint8_t* bytes, uint32_t length) {
  uint8_t no_lead = 0;
  std::string text = ConsoleToUtf8(bytes, length, &no_lead);
  if (!text.empty() && text.front() == '\n') text.erase(0, 1);
  text += '\n';
  os::WriteAll(error_fd_, text.data(), static_cast<uint32_t>(text.size()));
}

void StreamWindow::Close() {
  if (!open_) return;
  open_ = false;
  closed_ = true;
  os::RemoveCloseSignals();
}

}  // namespace tolvex::frontend
