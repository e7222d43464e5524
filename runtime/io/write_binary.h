// WriteBinary: the raw bytes of a variable, or of a string variable's text,
// written to a channel opened for binary output. Holds no OS code.
#pragma once
#include <cstdint>

namespace tolvex::io {

// With `count` > 0 writes `count` bytes from `address` as they lie in memory
// (an int16 is two bytes, low byte first); with 0, `address` must be a
// StringValue of kind 0x10 whose bytes are written (error 13 at 0x1906
// otherwise). The column is left alone. Errors: outside 1..255 50 at
// 0x1901; not open 57 at 0x1902; not a file 51 at 0x1904; a slot that cannot
// be reached 51 at 0x1908; not mode 9 or 10 51 at 0x1903; a system failure
// at 0x1905 (0x1907 for the string form).
// Example: int16_t v = -9999; WriteBinary(2, 2, &v) writes F1 D8.
void WriteBinary(int16_t channel, uint32_t count, const void* address);

}  // namespace tolvex::io
