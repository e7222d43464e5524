// The key decoder: bytes typed at a terminal (UTF-8 text, control bytes and
// escape sequences) become console key codes and code page 932 bytes.
// Holds no OS code.
#pragma once
#include <cstdint>
#include <string>

namespace tolvex::io {

struct KeyDecoder {
  std::string partial;  // an escape sequence or UTF-8 character not yet whole
};

// Decodes the bytes that have arrived. Keys go to `keys` in order; a typed
// character that code page 932 cannot hold exactly (é, Hangul, "〜") is not
// taken and counts in *unmappable (the caller beeps). Incomplete input waits
// in the decoder; a lone ESC at the end of what arrived is the Escape key (a
// terminal sends a sequence in one piece).
// Examples: "\x1b[D" -> 29 (Left); "\x7f" -> 8; "\xe6\xa8\x99" (標) -> 0x95 0x57.
void DecodeKeys(KeyDecoder& decoder, const uint8_t* bytes, uint32_t length,
                std::string* keys, int* unmappable);

}  // namespace tolvex::io
