// ConvertToKind: a scanned number converted to the kind a caller asks for,
// or to the narrowest kind its text calls for; ConvertField for item input.
#pragma once
#include <cstdint>

#include "runtime/numeric/extended.h"
#include "runtime/numeric/number_scan.h"

namespace tolvex::numeric {

// Scans `text` (NUL-terminated) and converts it:
//  int16/int32/byte: round to nearest, ties to even; fails outside the range;
//  single/double: round to nearest, ties to even; fails on overflow (an
//    underflow gives 0 or a denormal);
//  automatic: an "E" exponent gives single, "D" double; otherwise the suffix
//    decides ("&" int32 or double, "%" int16 or go on, "!" single,
//    "#" double), else the narrowest of int16, int32, single (fewer than 8
//    digits) and double.
// A scan failure is a failure. Status flags raised here are not left behind.
// Examples: ("139", auto) → int16 139; ("139.7125", auto) → single
// 139.71249389648438; ("2.5", int16) → 2; ("1E50", auto) → failed.
KindValue ConvertToKind(const char* text, NumberKind requested);

// The conversion of ConvertToKind to single for digits already scanned
// (status kScanOk), for callers that check where the number ends
// themselves: true with *single, false when the value overflows single.
// Touches no runtime state.
bool ConvertScannedToSingle(const ScannedDigits& scan, float* single);

// Item input: converts one field (NUL-terminated, not empty, not quoted) into
// the value of a variable of item type 0..4 (64 and any other numeric type:
// automatic). On success *value holds the value, already of the variable's
// kind, and true is returned; on failure nothing is produced and false is
// returned. A field that begins with "&" is a radix number: its double value
// is returned as it is and the store into the variable checks its range.
// Examples: ("1.5", 0) → 2; ("123.45", 2) → 123.44999694824219;
// ("32767.5", 0) → false.
bool ConvertField(const char* field, uint32_t item_type, Extended* value);

}  // namespace tolvex::numeric
