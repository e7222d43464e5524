// Whole-line reading from a channel: SelectLineSource and ReadLine. Lines
// end at CR or CR LF; a lone LF is an ordinary byte. Holds no OS code.
#pragma once
#include <cstdint>

#include "runtime/text/string_value.h"

namespace tolvex::io {

constexpr uint32_t kLineBufferBytes = 32768;
constexpr uint32_t kLongestLine = 32767;

// Makes `channel` the source of the next ReadLine. Errors: outside 1..255
// 50 at 0x4F01; not open 57 at 0x4F02; not the keyboard, a serial port or a
// file 51 at 0x4F03. Records the StringStack depth.
void SelectLineSource(int16_t channel);

// Reads the next line of the selected file into `variable` (a never-assigned
// variable becomes a string variable). The line excludes its CR or CR LF; a
// 0x1A that is the file's last byte ends the line and is dropped; NUL bytes
// vanish. Errors at 0x5002: 51 not a sequential input file (the keyboard
// has no line input here), 54 at the end of the file, 15 a line of more than
// 32,767 bytes, or a system read failure; 7 at 0x5001 without memory.
// Example: "abc\r\ndef\rghi\njkl" reads as "abc", "def", "ghi\njkl", then 54.
void ReadLine(text::StringValue* variable);

}  // namespace tolvex::io
