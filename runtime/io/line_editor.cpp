// The line editor (see line_editor.h). The entry is laid out row-major from
// its start position, wrapping at the width; a double-byte character never
// starts in the last column, which then stays blank. Holds no OS code.
#include "runtime/io/line_editor.h"

#include <cstring>

#include "runtime/core/break_event.h"
#include "runtime/core/error_codes.h"
#include "runtime/core/runtime_error.h"
#include "runtime/core/runtime_options.h"
#include "runtime/io/console_screen.h"
#include "runtime/io/key_queue.h"
#include "runtime/io/steering_bytes.h"
#include "runtime/io/window_system.h"
#include "runtime/os/code_page.h"

namespace tolvex::io {
namespace {

struct Cell {
  int32_t row;
  int32_t column;
};

uint32_t CharSize(const LineEditor& e, uint32_t index) {
  return os::IsLeadByte(e.buffer[index]) && index + 1 < e.length ? 2 : 1;
}

// Where the character at `index` is drawn (index == length: the cell after
// the entry). Walks the entry, so wrapped rows stay exact.
Cell Locate(const LineEditor& e, uint32_t index) {
  Cell at{e.start_row, e.start_column};
  for (uint32_t i = 0; i < e.length && i <= index;) {
    uint32_t size = CharSize(e, i);
    if (size == 2 && at.column == e.width - 1) at = {at.row + 1, 0};
    if (i == index) return at;
    at.column += static_cast<int32_t>(size);
    if (at.column >= e.width) at = {at.row + 1, at.column - e.width};
    i += size;
  }
  return at;
}

bool Before(Cell a, Cell b) { return a.row < b.row || (a.row == b.row && a.column < b.column); }

// Scrolls the region until `last` (the cell after the entry) is on screen.
void KeepOnScreen(LineEditor& e, Cell& last) {
  ConsoleScreen& s = Screen();
  int32_t bottom = s.region_top + s.region_rows;
  while (last.row >= bottom && e.start_row > s.region_top) {
    s.cursor_row = bottom - 1;
    NextRow();
    --e.start_row;
    --last.row;
  }
}

void PlaceCursor(const LineEditor& e) {
  Cell at = Locate(e, e.cursor);
  ConsoleScreen& s = Screen();
  s.cursor_row = at.row;
  s.cursor_column = at.column;
  ++s.version;
}

// Start of the character that ends at `index` (the one left of it).
uint32_t PreviousChar(const LineEditor& e, uint32_t index) {
  uint32_t i = 0;
  uint32_t previous = 0;
  while (i < index) {
    previous = i;
    i += CharSize(e, i);
  }
  return previous;
}

// Redraws the entry from `from` to its end, then blanks the cells up to
// `old_end`, the cell after the entry before the change.
void Redraw(LineEditor& e, uint32_t from, Cell old_end) {
  Cell last = Locate(e, e.length);
  KeepOnScreen(e, last);
  if (Before(old_end, last)) old_end = last;
  // Start one character early: a double-byte character that moved to the
  // next row leaves the last column of its old row to be blanked.
  uint32_t first = from > 0 ? PreviousChar(e, from) : 0;
  Cell at = Locate(e, first);
  for (uint32_t i = first; i < e.length;) {
    uint32_t size = CharSize(e, i);
    Cell here = Locate(e, i);
    while (Before(at, here)) {
      StoreCell(at.row, at.column, ' ', kSingleCell);
      at = at.column + 1 >= e.width ? Cell{at.row + 1, 0} : Cell{at.row, at.column + 1};
    }
    if (size == 2) {
      StoreCell(here.row, here.column, e.buffer[i], kLeadCell);
      StoreCell(here.row, here.column + 1, e.buffer[i + 1], kTrailCell);
    } else {
      StoreCell(here.row, here.column, e.buffer[i], kSingleCell);
    }
    at = {here.row, here.column + static_cast<int32_t>(size)};
    if (at.column >= e.width) at = {at.row + 1, 0};
    i += size;
  }
  int32_t bottom = Screen().region_top + Screen().region_rows;
  while (Before(at, old_end) && at.row < bottom) {
    StoreCell(at.row, at.column, ' ', kSingleCell);
    at = at.column + 1 >= e.width ? Cell{at.row + 1, 0} : Cell{at.row, at.column + 1};
  }
}

// ---------------------------------------------------------- one per key

void DeleteChar(LineEditor& e) {
  if (e.cursor >= e.length) return;
  Cell old_end = Locate(e, e.length);
  uint32_t size = CharSize(e, e.cursor);
  std::memmove(e.buffer + e.cursor, e.buffer + e.cursor + size, e.length - e.cursor - size);
  e.length -= size;
  Redraw(e, e.cursor, old_end);
}

void BackSpace(LineEditor& e) {
  if (e.cursor == 0) return;
  e.cursor = PreviousChar(e, e.cursor);
  DeleteChar(e);
}

void EraseToEnd(LineEditor& e) {
  Cell old_end = Locate(e, e.length);
  e.length = e.cursor;
  Redraw(e, e.cursor, old_end);
}

void EraseEntry(LineEditor& e) {
  if (!core::Options().entry_erase) return;
  e.cursor = 0;
  EraseToEnd(e);
}

void MoveRight(LineEditor& e) {
  if (e.cursor < e.length) e.cursor += CharSize(e, e.cursor);
}

void MoveLeft(LineEditor& e) {
  if (e.cursor > 0) e.cursor = PreviousChar(e, e.cursor);
}

void EnterChar(LineEditor& e, const uint8_t* bytes, uint32_t size) {
  Cell old_end = Locate(e, e.length);
  if (e.insert || e.cursor == e.length) {
    if (e.length + size > e.max_length) {
      BeepConsole();
      return;
    }
    std::memmove(e.buffer + e.cursor + size, e.buffer + e.cursor, e.length - e.cursor);
    std::memcpy(e.buffer + e.cursor, bytes, size);
    e.length += size;
  } else {
    // Overwrite: the characters under the new one go; a half left over
    // becomes a space. A double-byte character over the last byte makes
    // the entry one byte longer (within the limit).
    uint32_t covered = e.cursor;
    while (covered < e.cursor + size && covered < e.length) covered += CharSize(e, covered);
    uint32_t end = e.cursor + size;
    if (end > e.length) {
      if (end > e.max_length) {
        BeepConsole();
        return;
      }
      e.length = end;
    }
    if (covered > end) e.buffer[end] = ' ';
    std::memcpy(e.buffer + e.cursor, bytes, size);
  }
  Redraw(e, e.cursor, old_end);
  e.cursor += size;
}

void TypedByte(LineEditor& e, uint8_t byte) {
  if (e.lead_held) {
    e.lead_held = false;
    const uint8_t pair[2] = {e.held_lead, byte};
    EnterChar(e, pair, 2);
  } else if (os::IsLeadByte(byte)) {
    e.lead_held = true;
    e.held_lead = byte;
  } else {
    EnterChar(e, &byte, 1);
  }
}

void Finish(LineEditor& e) {
  SetCaretVisible(e.caret_was_visible);
  e.buffer[e.length] = 0;
  e.cursor = e.length;
  PlaceCursor(e);
  if (WindowSystem* window = MainWindow()) window->ShowText(e.buffer, e.length);
  WriteConsoleBytes(kLineEnd, 2);
  ClearKeyQueue();
}

}  // namespace

void BeginEdit(LineEditor& e, uint8_t* buffer, uint32_t max_length) {
  ConsoleScreen& s = Screen();
  e = LineEditor{};
  e.buffer = buffer;
  e.start_row = s.cursor_row;
  e.start_column = s.cursor_column;
  e.width = s.width;
  e.height = s.height;
  e.caret_was_visible = SetCaretVisible(true);
  // The entry may not pass the cells it can use.
  int64_t cells;
  if (s.cursor_row < s.region_top) {
    cells = int64_t{s.region_top - s.cursor_row} * s.width - s.cursor_column - 1;
  } else if (s.cursor_row < s.region_top + s.region_rows) {
    cells = int64_t{s.region_rows} * s.width - s.cursor_column;
  } else {
    cells = int64_t{s.height - s.cursor_row} * s.width - s.cursor_column - 1;
  }
  if (cells < 0) cells = 0;
  e.max_length = cells < max_length ? static_cast<uint32_t>(cells) : max_length;
  buffer[0] = 0;
}

EditStep FeedKey(LineEditor& e, uint8_t key) {
  if (key < 32) e.lead_held = false;
  switch (key) {
    case kKeyCut:
      SetCaretVisible(e.caret_was_visible);
      e.length = 0;
      e.buffer[0] = 0;
      return EditStep::kCut;
    case kKeyDelete: DeleteChar(e); break;
    case kKeyEraseEnd: EraseToEnd(e); break;
    case kKeyBackSpace: BackSpace(e); break;
    case kKeyHome: e.cursor = 0; break;
    case kKeyClear: EraseEntry(e); break;
    case kKeyInsert: e.insert = !e.insert; break;
    case kKeyEnd: e.cursor = e.length; break;
    case kKeyRight: MoveRight(e); break;
    case kKeyLeft: MoveLeft(e); break;
    case kKeyEnter:
      Finish(e);
      return EditStep::kEntered;
    case kKeyCancelLine:
      if (!core::BreakEnabled()) {
        Finish(e);
        return EditStep::kEntered;
      }
      SetCaretVisible(e.caret_was_visible);
      e.cursor = e.length;
      PlaceCursor(e);
      WriteConsoleBytes(kLineEnd, 2);
      core::RaiseError(core::kErrBreak, core::kLocBreak);
      break;
    default:
      if (key >= 32) TypedByte(e, key);
      break;  // every other control code is ignored
  }
  PlaceCursor(e);
  return EditStep::kMore;
}

bool EditLine(uint8_t* buffer, uint32_t max_length, int16_t* status) {
  LineEditor editor;
  BeginEdit(editor, buffer, max_length);
  for (;;) {
    EditStep step = FeedKey(editor, TakeKey());
    if (step == EditStep::kEntered) return true;
    if (step == EditStep::kCut) {
      *status = 0;
      return false;
    }
  }
}

}  // namespace tolvex::io
