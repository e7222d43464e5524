// The headless window (see headless_window.h).
#include "runtime/frontend/headless_window.h"

#include "runtime/io/key_queue.h"

namespace tolvex::frontend {

void HeadlessWindow::Type(std::string_view keys) {
  for (char c : keys) messages_.push_back(static_cast<uint8_t>(c));
}

void HeadlessWindow::RequestClose() { messages_.push_back(-1); }

bool HeadlessWindow::Open(std::string_view text) {
  if (refuse_open) return false;
  title = std::string(text);
  open_ = true;
  closed_ = false;
  return true;
}

bool HeadlessWindow::Dispatch() {
  int message = messages_.front();
  messages_.pop_front();
  if (message < 0) {
    closed_ = true;
    return false;
  }
  io::DeliverKey(static_cast<uint8_t>(message));
  return true;
}

bool HeadlessWindow::PumpMessages() {
  ++pumps;
  if (!Exists()) return false;
  while (!messages_.empty())
    if (!Dispatch()) return false;
  return true;
}

bool HeadlessWindow::WaitMessage() {
  if (!Exists()) return false;
  if (messages_.empty()) {
    closed_ = true;
    return false;
  }
  return Dispatch();
}

void HeadlessWindow::Close() {
  open_ = false;
  closed_ = true;
}

void HeadlessWindow::ShowText(const uint8_t* bytes, uint32_t length) {
  shown.append(reinterpret_cast<const char*>(bytes), length);
}

}  // namespace tolvex::frontend
