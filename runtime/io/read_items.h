// Item reading: SelectItemSource and ReadItems, the file path here and the
// keyboard path handed to the console. Holds no OS code.
#pragma once
#include <cstdint>

#include "runtime/core/error_codes.h"
#include "runtime/io/input_source.h"
#include "runtime/io/io_context.h"
#include "runtime/io/plain_entry.h"

namespace tolvex::io {

// Makes `channel` the source of the next ReadItems. Errors: outside 1..255
// 50 at 0x4D01; not open 57 at 0x4D02; not the keyboard, a serial port or a
// file 51 at 0x4D03. Records the StringStack depth.
inline void SelectItemSource(int16_t channel);

// Reads one item per list entry, last entry first, into the variables. From
// the keyboard this is ReadKeyboardItems; from a file each item is the next
// field (ReadField, errors at 0x4E03), scanned (ScanItem; a field that does
// not scan or convert is 58 at 0x4E04) and stored (StoreItem). Items are a
// stream: nothing skips the rest of a line after the last one. 7 at 0x4E01
// when the item buffer (taken by the first read and kept) cannot be had.
// An entry of the plain shape is read in one pass instead (ReadPlainEntry),
// with the same result.
// Example: on the line "label,12.34\r\n" the list {2, (&z, 2), (&s, 0x10)}
// gives s = "label" and z = 12.34f.
inline void ReadItems(const ItemList& list);

// ------------------------------------------------------------ inline steps
// Selected and read for every entry of a tile.

namespace read_items_detail {
// ReadItems from the keyboard, or field by field from a file.
void ReadOtherItems(const ItemList& list);
}  // namespace read_items_detail

[[gnu::always_inline]] inline void ReadItems(const ItemList& list) {
  if (ReadPlainEntry(CurrentInput(), list)) return;
  read_items_detail::ReadOtherItems(list);
}

inline void SelectItemSource(int16_t channel) {
  SelectInputSource(channel, kItemMode, core::kLocItemSourceChannel,
                    core::kLocItemSourceClosed, core::kLocItemSourceKind);
}

}  // namespace tolvex::io
