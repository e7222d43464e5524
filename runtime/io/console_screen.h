// The text screen of the main window: 80 x 24 cells in four planes, the
// cursor, wrapping, the pending lead byte and scrolling. Holds no OS code.
#pragma once
#include <cstdint>
#include <string>

namespace tolvex::io {

constexpr int32_t kScreenWidth = 80;
constexpr int32_t kScreenHeight = 24;
constexpr int32_t kRowCells = 132;

// Double-byte state of a cell.
enum CellKind : uint8_t { kSingleCell = 0, kLeadCell = 1, kTrailCell = 2 };

struct ScreenRow {
  uint8_t chars[kRowCells];
  uint8_t colours[kRowCells];
  uint8_t attributes[kRowCells];
  uint8_t kinds[kRowCells];
};

struct ConsoleScreen {
  int32_t width = kScreenWidth;
  int32_t height = kScreenHeight;
  int32_t print_width = kScreenWidth;
  int32_t cursor_column = 0;
  int32_t cursor_row = 0;
  int32_t region_top = 0;
  int32_t region_rows = kScreenHeight;
  uint8_t colour = 7;
  uint8_t attribute = 4;  // the bright form: drawn white
  uint8_t background = 0;
  ScreenRow rows[kScreenHeight];
  bool lead_pending = false;
  uint8_t pending_lead = 0;
  int32_t pending_column = 0;  // the cell reserved for the pending lead byte
  int32_t pending_row = 0;
  bool repaint_pending = false;  // set by scrolling, cleared by a repaint
  bool caret_visible = false;
  uint32_t version = 0;  // moves on every change, so renderers know to draw
};

ConsoleScreen& Screen();
// A fresh screen: spaces in the default colours, cursor top left.
void ResetScreen();

// Writes bytes by the console's rules: CR to column 0, LF one row down,
// wrapping at the width (a lead byte never straddles the edge), the pending
// lead byte joined with the next write at the cursor, scrolling past the
// region's bottom. Also shows the bytes to a cell-less front end.
// Example: 80 bytes then "\r\n" leave the cursor at column 0 two rows down.
void WriteConsoleBytes(const uint8_t* bytes, uint32_t length);

// Cell-level access for the line editor: stores one cell with the current
// colours; moves the cursor to the next row (scrolling the region if needed).
void StoreCell(int32_t row, int32_t column, uint8_t byte, CellKind kind);
void NextRow();
// Shows or hides the caret; returns whether it was visible.
bool SetCaretVisible(bool visible);

// The bytes of one row (all 80 cells), for tests and the clipboard.
std::string RowText(int32_t row);

}  // namespace tolvex::io
