// The key decoder: bytes typed at a terminal (UTF-8 text, control bytes and
// escape sequences) become console key codes and code page 932 bytes.
// Holds no OS code.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace tolvex::io {

// The most bytes an incomplete sequence may hold while its rest is awaited;
// the longest key a terminal sends (ESC [ 2 7 ; 5 ; 1 3 ~) takes 12.
constexpr size_t kLongestSequence = 32;

struct KeyDecoder {
  std::string partial;    // an escape sequence or UTF-8 character not yet
                          // whole: at most kLongestSequence bytes
  bool skipping = false;  // in a sequence longer than that: its bytes are
                          // dropped until it ends
};

// Decodes the bytes that have arrived. Keys go to `keys` in order; a typed
// character that code page 932 cannot hold exactly (é, Hangul, "〜"), or a
// byte that starts no UTF-8 character, is not taken and counts in
// *unmappable (the caller beeps). An incomplete sequence waits in the
// decoder until its rest arrives; a byte that cannot continue it ends it
// (an escape sequence is dropped, a UTF-8 character counts as unmappable)
// and is decoded on its own, so Enter and Ctrl+C always arrive. A lone ESC
// at the end of what arrived is the Escape key (a terminal sends a sequence
// in one piece).
// Examples: "\x1b[D" -> 29 (Left); "\x7f" -> 8; "\xe6\xa8\x99" (標) -> 0x95 0x57;
//   "\x1b[1\r" -> 13 (the cut sequence dropped); "\xe6\r" -> 13, one unmappable.
void DecodeKeys(KeyDecoder& decoder, const uint8_t* bytes, uint32_t length,
                std::string* keys, int* unmappable);
// An incomplete sequence waits for its rest.
bool AwaitsRest(const KeyDecoder& decoder);
// Ends the incomplete sequence whose rest did not come in time: an escape
// sequence is dropped, a UTF-8 character counts in *unmappable.
void EndIncomplete(KeyDecoder& decoder, int* unmappable);

}  // namespace tolvex::io
