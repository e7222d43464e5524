// The text screen (see console_screen.h): byte writing with wrapping, the
// pending lead byte and scrolling. Holds no OS code; drawing is the window's.
#include "runtime/io/console_screen.h"

#include <cstring>

#include "runtime/io/window_system.h"
#include "runtime/os/code_page.h"

namespace tolvex::io {
namespace {

ConsoleScreen g_screen;

void BlankRow(ScreenRow& row) {
  std::memset(row.chars, ' ', sizeof row.chars);
  std::memset(row.colours, g_screen.colour, sizeof row.colours);
  std::memset(row.attributes, g_screen.attribute, sizeof row.attributes);
  std::memset(row.kinds, kSingleCell, sizeof row.kinds);
}

// Stores a run that fits on the cursor's row, marking lead and trail cells.
// A lead byte at the run's end is left to the caller (the pending lead).
void StoreRun(const uint8_t* bytes, int32_t count) {
  ScreenRow& row = g_screen.rows[g_screen.cursor_row];
  int32_t column = g_screen.cursor_column;
  bool trail_next = false;
  for (int32_t i = 0; i < count; ++i, ++column) {
    uint8_t byte = bytes[i];
    CellKind kind = kSingleCell;
    if (trail_next) {
      kind = kTrailCell;
      trail_next = false;
    } else if (os::IsLeadByte(byte) && i + 1 < count) {
      kind = kLeadCell;
      trail_next = true;
    }
    row.chars[column] = byte;
    row.colours[column] = g_screen.colour;
    row.attributes[column] = g_screen.attribute;
    row.kinds[column] = kind;
  }
  g_screen.cursor_column = column;
}

// Writes one run without CR or LF: wraps it at the width, never parting a
// lead byte from its trail byte, and reserves the cell of a lead byte that
// ends the run, whose trail byte may come with the next write.
void WriteRun(const uint8_t* bytes, int32_t length) {
  ConsoleScreen& s = g_screen;
  while (length > s.width - s.cursor_column) {
    int32_t take = s.width - s.cursor_column;
    // A lead byte in the last cell would part from its trail byte: the
    // cell gets a space and the character starts the next row.
    bool straddles = false;
    for (int32_t i = 0; i < take; ++i) {
      if (os::IsLeadByte(bytes[i])) {
        if (i == take - 1) straddles = true;
        ++i;
      }
    }
    if (straddles) {
      StoreRun(bytes, take - 1);
      StoreCell(s.cursor_row, s.width - 1, ' ', kSingleCell);
      --take;
    } else {
      StoreRun(bytes, take);
    }
    bytes += take;
    length -= take;
    NextRow();
  }
  if (length == 0) return;
  bool lead_at_end = false;
  for (int32_t i = 0; i < length; ++i) {
    if (os::IsLeadByte(bytes[i])) {
      if (i == length - 1) lead_at_end = true;
      ++i;
    }
  }
  StoreRun(bytes, length);
  if (lead_at_end) {
    // The trail byte may come with the next write: reserve the cell.
    s.lead_pending = true;
    s.pending_lead = bytes[length - 1];
    s.pending_row = s.cursor_row;
    s.pending_column = s.cursor_column - 1;
    s.rows[s.cursor_row].chars[s.cursor_column - 1] = ' ';
  }
  if (s.cursor_column >= s.width) NextRow();
}

}  // namespace

ConsoleScreen& Screen() { return g_screen; }

void ResetScreen() {
  g_screen = ConsoleScreen{};
  for (ScreenRow& row : g_screen.rows) BlankRow(row);
}

void StoreCell(int32_t row, int32_t column, uint8_t byte, CellKind kind) {
  ScreenRow& r = g_screen.rows[row];
  r.chars[column] = byte;
  r.colours[column] = g_screen.colour;
  r.attributes[column] = g_screen.attribute;
  r.kinds[column] = kind;
  ++g_screen.version;
}

void NextRow() {
  ConsoleScreen& s = g_screen;
  s.cursor_column = 0;
  int32_t bottom = s.region_top + s.region_rows;
  if (s.cursor_row < s.region_top) {
    s.cursor_row = s.region_top;
    return;
  }
  if (s.cursor_row >= bottom) {
    s.cursor_row = bottom < s.height ? bottom : s.height - 1;
    return;
  }
  ++s.cursor_row;
  if (s.cursor_row < bottom) return;
  // Past the region's bottom: the region moves up one row, and the window
  // must be repainted before the next input waits.
  std::memmove(&s.rows[s.region_top], &s.rows[s.region_top + 1],
               sizeof(ScreenRow) * static_cast<size_t>(s.region_rows - 1));
  BlankRow(s.rows[bottom - 1]);
  s.cursor_row = bottom - 1;
  s.repaint_pending = true;
  if (s.lead_pending) --s.pending_row;
  ++s.version;
}

void WriteConsoleBytes(const uint8_t* bytes, uint32_t length) {
  ConsoleScreen& s = g_screen;
  if (WindowSystem* window = MainWindow()) window->ShowText(bytes, length);
  if (length == 0) return;
  uint32_t start = 0;
  if (s.lead_pending) {
    s.lead_pending = false;
    // The trail byte joins its lead only when this write starts right
    // behind the reserved cell.
    if (s.cursor_row == s.pending_row && s.cursor_column == s.pending_column + 1 &&
        bytes[0] != '\r' && bytes[0] != '\n' && s.cursor_column < s.width) {
      StoreCell(s.pending_row, s.pending_column, s.pending_lead, kLeadCell);
      StoreCell(s.cursor_row, s.cursor_column, bytes[0], kTrailCell);
      ++s.cursor_column;
      start = 1;
      if (s.cursor_column >= s.width) NextRow();
    }
  }
  uint32_t run = start;
  for (uint32_t i = start; i <= length; ++i) {
    if (i < length && bytes[i] != '\r' && bytes[i] != '\n') continue;
    if (i > run) WriteRun(bytes + run, static_cast<int32_t>(i - run));
    if (i < length) {
      if (bytes[i] == '\r') {
        s.cursor_column = 0;
      } else {
        int32_t column = s.cursor_column;
        NextRow();
        s.cursor_column = column;
      }
    }
    run = i + 1;
  }
  ++s.version;
}

bool SetCaretVisible(bool visible) {
  bool was = g_screen.caret_visible;
  g_screen.caret_visible = visible;
  ++g_screen.version;
  return was;
}

std::string RowText(int32_t row) {
  const ScreenRow& r = g_screen.rows[row];
  return std::string(reinterpret_cast<const char*>(r.chars),
                     static_cast<size_t>(g_screen.width));
}

}  // namespace tolvex::io
