// Numbers read from text (placeholder interface until the numeric model lands).
#pragma once
#include <cstdint>

#include "runtime/numeric/extended.h"

namespace tolvex::numeric {

// Item input: converts one field (NUL-terminated, not empty, not quoted) into
// the value of a variable of item type 0..4 or 64. On success *value holds the
// value (already of the variable's kind) and true is returned; on failure
// nothing is produced and false is returned.
bool ConvertField(const char* field, uint32_t item_type, Extended* value);

// "&H"/"&O" digits: text points at the radix letter. Never fails.
Extended ScanRadixNumber(const char* text, uint32_t length);

// Pops a string and returns its value with the precision its text calls for.
Extended ValueOfText();

}  // namespace tolvex::numeric
