// The shared scratch buffer of the string operations: requests of up to 512
// bytes come from a fixed area, larger ones from one kept allocation.
#pragma once
#include <cstdint>

namespace tolvex::text {

// Room for `size` bytes; error 7 at 0x7A01 when it cannot be had (then, while
// another error is being processed, nullptr).
uint8_t* TakeScratch(uint32_t size);
// The same without raising: nullptr when the room cannot be had, so that the
// caller can release its operands before it raises.
uint8_t* TryTakeScratch(uint32_t size);
// Frees the allocated block, if any.
void GiveBackScratch();

}  // namespace tolvex::text
