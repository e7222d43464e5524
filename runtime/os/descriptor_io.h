// Writing to a file descriptor with its quirks absorbed once: EINTR is
// retried and short writes are continued. Async-signal-safe (write only),
// so the fatal-fault path can use it too.
#pragma once
#include <cstddef>

namespace tolvex::os {

// Writes all `length` bytes; false when the system refuses (errno is kept,
// ENOSPC when a write takes nothing).
bool WriteAll(int fd, const void* bytes, std::size_t length);

}  // namespace tolvex::os
