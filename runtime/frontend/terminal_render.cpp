// The terminal renderer (see terminal_render.h). The escape sequences it
// emits, all of them:
//   ESC[?25l        hide the cursor while drawing
//   ESC[r;cH        move to row r, column c (1-based)
//   ESC[0m          default attributes (the console's white on black)
//   ESC[K           erase the rest of the terminal's row (a wider terminal)
//   ESC[?25h        show the cursor (the caret) when it is on
#include "runtime/frontend/terminal_render.h"

#include <algorithm>

#include "runtime/io/console_screen.h"
#include "runtime/os/code_page.h"

namespace tolvex::frontend {
namespace {

void MoveTo(std::string& out, int32_t row, int32_t column) {
  out += "\x1b[";
  out += std::to_string(row + 1);
  out += ';';
  out += std::to_string(column + 1);
  out += 'H';
}

// One cell's bytes as UTF-8; bytes with no character become '?'.
void AppendCharacter(std::string& out, const char* bytes, size_t length) {
  unsigned char first = static_cast<unsigned char>(bytes[0]);
  if (length == 1 && first >= 0x20 && first < 0x7F) {
    out += bytes[0];
    return;
  }
  std::string utf8;
  if (length == 1 && first < 0x20) {
    out += ' ';
  } else if (os::Cp932ToUtf8(std::string_view(bytes, length), &utf8) && !utf8.empty()) {
    out += utf8;
  } else {
    out.append(length, '?');
  }
}

// The cells [first, last) of one row; a double-byte character needs both
// its cells inside.
void AppendCells(std::string& out, const io::ScreenRow& row, int32_t first, int32_t last) {
  for (int32_t c = first; c < last; ++c) {
    const char* cell = reinterpret_cast<const char*>(&row.chars[c]);
    if (row.kinds[c] == io::kLeadCell && c + 1 < last && row.kinds[c + 1] == io::kTrailCell) {
      AppendCharacter(out, cell, 2);
      ++c;
    } else if (row.kinds[c] == io::kLeadCell || row.kinds[c] == io::kTrailCell) {
      out += ' ';  // half of a character cut by the view's edge
    } else {
      AppendCharacter(out, cell, 1);
    }
  }
}

}  // namespace

void FollowCursor(const io::ConsoleScreen& screen, TerminalView& view) {
  int32_t rows = std::min(view.rows, screen.height);
  int32_t columns = std::min(view.columns, screen.width);
  int32_t row = std::min(screen.cursor_row, screen.height - 1);
  int32_t column = std::min(screen.cursor_column, screen.width - 1);
  if (row < view.first_row) view.first_row = row;
  if (row >= view.first_row + rows) view.first_row = row - rows + 1;
  if (column < view.first_column) view.first_column = column;
  if (column >= view.first_column + columns) view.first_column = column - columns + 1;
  view.first_row = std::clamp(view.first_row, 0, screen.height - rows);
  view.first_column = std::clamp(view.first_column, 0, screen.width - columns);
}

std::string RenderScreen(const io::ConsoleScreen& screen, const TerminalView& view) {
  std::string out = "\x1b[?25l\x1b[0m";
  int32_t rows = std::min(view.rows, screen.height);
  int32_t columns = std::min(view.columns, screen.width);
  for (int32_t r = 0; r < rows; ++r) {
    const io::ScreenRow& row = screen.rows[view.first_row + r];
    MoveTo(out, r, 0);
    AppendCells(out, row, view.first_column, view.first_column + columns);
    if (view.columns > columns) out += "\x1b[K";
  }
  int32_t cursor_row = std::min(screen.cursor_row, screen.height - 1) - view.first_row;
  int32_t cursor_column = std::min(screen.cursor_column, screen.width - 1) - view.first_column;
  MoveTo(out, cursor_row, cursor_column);
  if (screen.caret_visible) out += "\x1b[?25h";
  return out;
}

std::string ScreenTranscript(const io::ConsoleScreen& screen) {
  std::string out;
  size_t kept = 0;  // the end of the last row that is not blank
  for (int32_t r = 0; r < screen.height; ++r) {
    size_t start = out.size();
    AppendCells(out, screen.rows[r], 0, screen.width);
    // Stops at the line end before the row: blanks of other rows stay.
    out.erase(out.find_last_not_of(' ') + 1);
    out += "\r\n";
    if (out.size() > start + 2) kept = out.size();
  }
  out.resize(kept);
  return out;
}

}  // namespace tolvex::frontend
