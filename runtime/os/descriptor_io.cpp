// Writing to a file descriptor (see descriptor_io.h).
#include "runtime/os/descriptor_io.h"

#include <errno.h>
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

}  // namespace tolvex::os
