// The line end of the runtime's text files: read, a CR with the LF behind it
// if there is one, or a 0x1A that is the file's last byte (the mark a closed
// text file ends with), a lone LF being data; written, CR LF. No OS code.
#pragma once
#include <cstdint>
#include <cstring>

#include "runtime/io/read_at.h"
#include "runtime/io/steering_bytes.h"

namespace tolvex::io {

// kBreak: a CR or CR LF; kEndMark: the final 0x1A.
enum class LineEnd : uint8_t { kNone, kBreak, kEndMark };

// Consumes the line end that begins with `byte`, the byte the cursor has
// just peeked, and says which it was; kNone consumes nothing. `last_offset`
// is the file offset of the file's last byte.
// Example: at "\r\nx" two bytes go and kBreak returns; at "\nx", kNone.
inline LineEnd TakeLineEnd(ByteCursor& cursor, uint8_t byte, uint32_t last_offset) {
  if (byte == kCarriageReturn) {
    cursor.Advance();
    if (cursor.Peek(&byte) && byte == kLineFeed) cursor.Advance();
    return LineEnd::kBreak;
  }
  if (byte != kEndOfFileMark || cursor.Offset() != last_offset) return LineEnd::kNone;
  cursor.Advance();
  return LineEnd::kEndMark;
}

// Writes the line end at `out` (two bytes).
inline void PutLineEnd(uint8_t* out) { std::memcpy(out, kLineEnd, sizeof kLineEnd); }

}  // namespace tolvex::io
