// Console output: SelectConsole and WriteText's path onto the screen (tab
// expansion, the line-break rule, the terminator codes). Holds no OS code.
#pragma once
#include <cstdint>

namespace tolvex::io {

// Makes the console the output target. Window 0 is the main window; any
// other number is error 1000 at 0x5201, a closed main window 1000 at 0x5202.
void SelectConsole(int32_t window);

// Writes a popped text (in a work buffer of length + 4096 bytes, which the
// tab expansion and line breaks may use) to the screen with its terminator:
// 0 CR LF, 1 next print zone, 2 nothing. Tabs go to the next multiple of 8;
// a text that would pass the print width starts on a new row. Without a
// main window: error 27 at 0x5703.
// Example: at column 75, "abcdefghij" with code 0 becomes CR LF, the text, CR LF.
void WriteTextToConsole(uint8_t* work, uint32_t length, uint32_t capacity,
                        int32_t terminator);

}  // namespace tolvex::io
