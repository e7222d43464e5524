// The keyboard path of ReadItems (placeholder until the console lands).
#pragma once
#include "runtime/io/io_context.h"

namespace tolvex::io {

// The bytes (code page 932) an entry holds; the editor beeps at more.
constexpr uint32_t kEntryMax = 255;

// Reads an entry after ConsolePrompt and stores its items into the variables,
// asking again ("もう一度入力してください") until they fit.
void ReadKeyboardItems(const ItemList& list);

}  // namespace tolvex::io
