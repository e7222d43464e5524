// Reading and writing a file descriptor (see descriptor_io.h).
#include "runtime/os/descriptor_io.h"

#include <errno.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace tolvex::os {

bool WriteAll(int fd, const void* bytes, std::size_t length) {
  const char* p = static_cast<const char*>(bytes);
  while (length > 0) {
    ssize_t n = ::write(fd, p, length);
    if (n < 0 && errno == EINTR) continue;
    // Taking nothing is how a full regular file refuses more.
    if (n == 0) errno = ENOSPC;
    if (n <= 0) return false;
    p += n;
    length -= static_cast<std::size_t>(n);
  }
  return true;
}

long ReadSome(int fd, void* bytes, std::size_t length) {
  return static_cast<long>(::read(fd, bytes, length));
}

Readiness PollReadable(int fd, int timeout_ms) {
  pollfd p{fd, POLLIN, 0};
  int ready = ::poll(&p, 1, timeout_ms);
  if (ready < 0 && errno == EINTR) return Readiness::kInterrupted;
  if (ready <= 0) return Readiness::kNotYet;
  return (p.revents & POLLIN) != 0 ? Readiness::kReadable : Readiness::kGone;
}

uint32_t BytesWaiting(int fd) {
  int count = 0;
  if (::ioctl(fd, FIONREAD, &count) != 0 || count < 0) return 0;
  return static_cast<uint32_t>(count);
}

bool IsTerminal(int fd) { return ::isatty(fd) != 0; }

bool TerminalSize(int fd, int* columns, int* rows) {
  winsize size{};
  if (::ioctl(fd, TIOCGWINSZ, &size) != 0 || size.ws_col == 0 || size.ws_row == 0) return false;
  *columns = size.ws_col;
  *rows = size.ws_row;
  return true;
}

}  // namespace tolvex::os
