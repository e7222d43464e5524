// Reading and writing a file descriptor, the console's included, with the
// system's quirks absorbed once: EINTR, short writes, a hang-up. WriteAll is
// async-signal-safe (write only), so the fatal-fault path can use it too.
#pragma once
#include <cstddef>
#include <cstdint>

namespace tolvex::os {

// Writes all `length` bytes; false when the system refuses (errno is kept,
// ENOSPC when a write takes nothing).
bool WriteAll(int fd, const void* bytes, std::size_t length);

// One read(2), as the system gives it: the byte count, 0 at the end, or -1
// with errno set (EINTR included, so a caller can look at its signals).
long ReadSome(int fd, void* bytes, std::size_t length);

// Whether `fd` has bytes within `timeout_ms` (0: look only).
enum class Readiness { kReadable, kNotYet, kGone, kInterrupted };
// kGone: a hang-up or error with nothing to read (the terminal has gone);
// kInterrupted: a signal came first; kNotYet: the time ran out.
Readiness PollReadable(int fd, int timeout_ms);

// How many bytes `fd` holds that a read takes without blocking (a pipe's
// contents, the rest of a file); 0 when it cannot say.
uint32_t BytesWaiting(int fd);

bool IsTerminal(int fd);
// The terminal's size in cells; false when `fd` is no terminal or says 0.
bool TerminalSize(int fd, int* columns, int* rows);

}  // namespace tolvex::os
