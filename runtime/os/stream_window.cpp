// The stream front end (see stream_window.h). Nothing is read from stdin
// until a key is waited for, and then only up to the end of one line.
#include "runtime/os/stream_window.h"

#include <errno.h>
#include <unistd.h>

#include "runtime/io/key_queue.h"
#include "runtime/os/code_page.h"
#include "runtime/os/terminal_mode.h"

namespace tolvex::os {
namespace {

size_t Utf8Length(const std::string& text, size_t i) {
  unsigned char c = static_cast<unsigned char>(text[i]);
  size_t n = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
  if (n == 0 || i + n > text.size()) return 0;
  for (size_t k = 1; k < n; ++k)
    if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 0;
  return n;
}

}  // namespace

AnswerRefusal AnswerToCp932(const std::string& line, std::string* cp932) {
  cp932->clear();
  for (size_t i = 0; i < line.size();) {
    unsigned char c = static_cast<unsigned char>(line[i]);
    size_t n = c < 0x80 ? 1 : Utf8Length(line, i);
    if (n <= 1) {  // ASCII, or no UTF-8: a code page 932 byte already
      *cp932 += line[i++];
      continue;
    }
    std::string one;
    if (!Utf8ToCp932Exact(std::string_view(line).substr(i, n), &one))
      return AnswerRefusal::kUnheldCharacters;
    *cp932 += one;
    i += n;
  }
  return AnswerRefusal::kNone;
}

std::string RefusalLine(std::string_view program, const std::string& answer,
                        AnswerRefusal reason) {
  const char* why = "";
  switch (reason) {
    case AnswerRefusal::kUnheldCharacters:
      why = "holds characters that code page 932 cannot hold";
      break;
    case AnswerRefusal::kNone:
      break;
  }
  return std::string(program) + ": answer \"" + answer + "\" " + why + "\n";
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
    } else if (IsLeadByte(b)) {
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
    if (Cp932ToUtf8(std::string_view(pair, n), &utf8) && !utf8.empty()) {
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
  InstallCloseSignals(false);
  return true;
}

bool StreamWindow::PumpMessages() {
  if (!Exists()) return false;
  if (Signals().close.load(std::memory_order_relaxed) != 0) {
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
    if (Signals().close.load(std::memory_order_relaxed) != 0) return false;
    if (!WaitReadableOrSignal(input_fd_)) continue;  // a signal: look at the flags
    char c;
    ssize_t n = ::read(input_fd_, &c, 1);
    if (n < 0) {
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
    *line += c;
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
  if (!text.empty()) WriteAll(output_fd_, text.data(), static_cast<uint32_t>(text.size()));
}

void StreamWindow::Refuse(const std::string& answer, AnswerRefusal reason) {
  std::string text = RefusalLine(program_, answer, reason);
  WriteAll(error_fd_, text.data(), static_cast<uint32_t>(text.size()));
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
  WriteAll(error_fd_, text.data(), static_cast<uint32_t>(text.size()));
}

void StreamWindow::Close() {
  if (!open_) return;
  open_ = false;
  closed_ = true;
  RemoveCloseSignals();
}

}  // namespace tolvex::os
