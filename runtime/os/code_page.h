// Code page 932 (Shift-JIS) <-> UTF-8, for the places where runtime text
// meets the system: file names, the terminal, standard streams.
#pragma once
#include <string>
#include <string_view>

namespace tolvex::os {

// False when the input holds a sequence with no counterpart; *out is then
// unspecified. Plain ASCII passes unchanged.
bool Cp932ToUtf8(std::string_view cp932, std::string* out);
bool Utf8ToCp932(std::string_view utf8, std::string* out);
// As Utf8ToCp932, and false also when the result would not come back as the
// same text: code page 932 takes "〜" (U+301C) and "¥" only as "～" (U+FF5E)
// and a backslash, so a name typed with them would name another file.
bool Utf8ToCp932Exact(std::string_view utf8, std::string* out);

// True for a Shift-JIS lead byte (0x81..0x9F, 0xE0..0xFC).
constexpr bool IsLeadByte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

}  // namespace tolvex::os
