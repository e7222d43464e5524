// ReadField: cuts the next input item's field out of a file slot, taking out
// separators, line ends and the blanks around a number, so that ScanItem sees
// one field. Holds no OS code.
#pragma once
#include <cstdint>

#include "runtime/io/channel_table.h"

namespace tolvex::io {

// The field buffer's size; a field that would not fit (with its
// terminator) fails with 15 instead of running past it.
constexpr uint32_t kFieldBufferBytes = 32768;

// Reads the field at the slot's position into `buffer` (kFieldBufferBytes,
// zero-terminated) and moves the position past the bytes consumed. The
// field ends at a carriage return (a following LF is consumed too), at a
// comma or colon outside quotes (consumed), at a blank after an unquoted
// number, at a final 0x1A, or at the end of the file; NUL bytes vanish and
// quotes are kept for ScanItem. Failures raise at `location`: 51 not a
// sequential input file, 54 at the end of the file (also a final 0x1A before
// anything started), 58 a numeric field that starts with a separator
// (left unconsumed), 15 a field too long, or a system read failure.
// Example: the file bytes `  ab  ,12.5\r\n` give "ab  " for a text item,
// then "12.5" for a number, and the position is then past the LF.
void ReadField(int32_t slot_index, uint8_t* buffer, uint32_t item_type, uint32_t location);

}  // namespace tolvex::io
