// The terminal renderer: the console's cells as one buffer of escape
// sequences and UTF-8 text, written to the terminal at once, and as the
// transcript left on the normal screen. Pure: the caller writes them.
#pragma once
#include <cstdint>
#include <string>

namespace tolvex::io {
struct ConsoleScreen;
}

namespace tolvex::frontend {

// The part of the 80 x 24 grid a smaller terminal shows. It follows the
// cursor: it moves only as far as needed to keep the cursor inside.
struct TerminalView {
  int32_t columns = 80;  // the terminal's size
  int32_t rows = 24;
  int32_t first_column = 0;
  int32_t first_row = 0;
};

void FollowCursor(const io::ConsoleScreen& screen, TerminalView& view);

// The whole visible screen: every row from its first cell, double-byte
// characters as one wide character, the caret where the cursor is.
std::string RenderScreen(const io::ConsoleScreen& screen, const TerminalView& view);

// The console's rows as text for the normal screen, left there when the
// program ends: each row in UTF-8 without its trailing blanks and with CR LF
// after it (right in raw and in cooked mode), the blank rows at the bottom
// left out; a blank screen gives "". Example: rows "a標b  ", "", "xyz" and
// blanks -> "a標b\r\n\r\nxyz\r\n".
std::string ScreenTranscript(const io::ConsoleScreen& screen);

}  // namespace tolvex::frontend
