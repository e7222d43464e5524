// ValueOfText: the numeric value of a string, in the narrowest kind its text
// calls for; and ScanRadixNumber for "&H" and "&O" numbers.
#pragma once
#include <cstdint>

#include "runtime/numeric/extended.h"
#include "runtime/numeric/number_scan.h"

namespace tolvex::numeric {

// Pops a StringValue (PopText), releases it when it is a temporary, and
// returns its value carrying the precision of the kind produced: int16,
// int32, single or double. A number that cannot be represented raises
// error 6 at 0x9F01; a working copy of more than 512 bytes that cannot be
// had raises 7 at 0x7A01.
// Examples: "139" → 139; "139.7125" → 139.71249389648438 (single);
// "12abc" → 12; "abc" → 0; "&HFF" → 255; "1E50" → error 6.
Extended ValueOfText();

// The steps of ValueOfText on given bytes, with the kind produced (a radix
// number is a double; text that is no number is the int16 0).
KindValue ValueOfBytes(const uint8_t* bytes, uint32_t length);

// The digits of a "&H"/"&O" number: text points at the radix letter after
// the "&" and holds `length` bytes. "H"/"h" reads hexadecimal, any other
// letter octal; digits run to the end or the first non-digit. Each step is
// done in double precision. Never fails: "HFFFF" → 65535, "O17" → 15,
// "H" → 0, "H1G" → 1.
Extended ScanRadixNumber(const char* text, uint32_t length);

}  // namespace tolvex::numeric
