// ConsolePrompt: prepares the next keyboard ReadItems (the prompt text and
// whether "? " follows it). Holds no OS code.
#pragma once
#include <cstdint>

namespace tolvex::io {

// Window 0 is the main window (any other: 1000 at 0x4C01; a closed main
// window: 1000 at 0x4C03). Mode 0: "? " only; 1: the prompt text popped
// from the StringStack; 2: the prompt text and "? "; above 2 the flags stay.
// A prompt longer than 255 bytes is cut to 255.
// Example: push "File Name xxxxxx.XML", ConsolePrompt(0, 2), ReadItems(list).
void ConsolePrompt(int32_t window, int32_t mode);

}  // namespace tolvex::io
