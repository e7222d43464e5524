// WriteText's console path (placeholder until the console lands).
#pragma once
#include <cstdint>

namespace tolvex::io {

// Writes a popped text (in a work buffer of length + 4096 bytes, which the
// tab expansion and line breaks may use) to the screen with its terminator:
// 0 CR LF, 1 next print zone, 2 nothing. Raises 1000/27 codes as the console
// requires.
void WriteTextToConsole(uint8_t* work, uint32_t length, uint32_t capacity,
                        int32_t terminator);

}  // namespace tolvex::io
