// The item scanner: the one set of rules by which an input item is cut out
// of a text and converted, shared by file input and keyboard input, and the
// store step that puts the value into the item's variable. Holds no OS code.
#pragma once
#include <cstdint>

#include "runtime/io/io_context.h"
#include "runtime/numeric/extended.h"

namespace tolvex::io {

// True for the numeric item types (0..4 and 64); every other type is text.
inline bool IsNumericItem(uint32_t item_type) {
  return item_type <= kItemByte || item_type == kItemAutomatic;
}

// Scans one item. With a text (NUL-terminated) it starts at its beginning
// and forgets the continuation; with null it goes on at the continuation
// left by the previous call (and fails when there is none). On success a
// text item has been pushed on the StringStack as a temporary, and a numeric
// item's value (ConvertField's, already of the variable's kind) is in
// *number. Rules: leading blanks are skipped; "," and ":" end an item (not
// inside quotes); a quoted text item loses its quotes; a blank ends an
// unquoted number, after which only blanks, quotes and a separator may
// follow; trailing blanks of unquoted items are dropped.
// Examples: "  ab  ,x" as text -> "ab", continuation at "x";
//           "\"a,b\"" as text -> "a,b"; "1 2" as a number fails.
bool ScanItem(const uint8_t* text_or_null, uint32_t item_type, numeric::Extended* number);

// True when the previous ScanItem ended at a separator: the entry holds a
// further item (the keyboard asks again when it is left after the last).
bool HasItemContinuation();
// Forgets the continuation (every plain entry read does).
inline void ResetItemContinuation();

// Stores a scanned item into its variable: a text item pops the temporary
// ScanItem pushed and assigns it (kinds 0x12 and 0x13 cannot be read into:
// error 13 at 0x6F02); a number is stored in its variable's width (int16,
// int32, single, double, byte; type 64 keeps the extended value), rounding
// to nearest with ties to even; a value the type cannot hold (only a radix
// "&" number can be one) raises error 6 at 0x6F01.
void StoreItem(const InputItem& item, numeric::Extended number);

// ------------------------------------------------------------ inline steps

namespace item_scanner_detail {
// Where the next item of the current entry begins; null when none.
extern const uint8_t* continuation;
}  // namespace item_scanner_detail

inline void ResetItemContinuation() { item_scanner_detail::continuation = nullptr; }

}  // namespace tolvex::io
