// FindText and MidText: 1-based byte positions, no double-byte awareness.
#pragma once
#include <cstdint>

namespace tolvex::text {

// Caller pushes the needle, then the haystack. Returns the 1-based position of
// the first occurrence at or after `start`, or 0. Start 0 or above
// 2,147,483,647 (unsigned) is error 5 at 0x9801.
// Example: needle "lowerCorner", haystack "<gmllowerCorner>", start 1 -> 5.
uint32_t FindText(uint32_t start);
// Caller pushes the source. Pushes bytes start .. start+length-1 (clipped).
// Example: "abcdef", MidText(2, 3) -> "bcd"; MidText(7, 1) -> "".
void MidText(uint32_t start, uint32_t length);

}  // namespace tolvex::text
