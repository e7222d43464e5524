// EditLine, the line editor with which an entry is typed: a state struct and
// one function per key, fed one key at a time. Holds no OS code.
#pragma once
#include <cstdint>

namespace tolvex::io {

struct LineEditor {
  uint8_t* buffer = nullptr;
  uint32_t max_length = 0;  // after lowering to the cells available
  uint32_t length = 0;      // bytes in the entry
  uint32_t cursor = 0;      // byte index, 0..length, never inside a character
  int32_t start_row = 0;    // where the entry began; moves up when echo scrolls
  int32_t start_column = 0;
  int32_t width = 0;
  int32_t height = 0;
  bool insert = true;
  bool lead_held = false;   // a lead byte waiting for its trail byte
  uint8_t held_lead = 0;
  bool caret_was_visible = false;
};

enum class EditStep { kMore, kEntered, kCut };

// Starts an entry at the screen's cursor: buffer must hold max_length + 1.
void BeginEdit(LineEditor& editor, uint8_t* buffer, uint32_t max_length);
// Acts on one key (table of EditLine). kEntered: the buffer holds the entry
// with a NUL after it, CR LF has been written and the key queue emptied.
// kCut: key 0, the entry is empty. Ctrl+X with the break enabled raises 98.
EditStep FeedKey(LineEditor& editor, uint8_t key);

// The whole entry: takes keys until Enter. True with the NUL-terminated
// entry; false with *status 0 when the wait for keys was cut off.
// Example: keys 'a' 'b' Left 'X' Enter -> "aXb".
bool EditLine(uint8_t* buffer, uint32_t max_length, int16_t* status);

}  // namespace tolvex::io
