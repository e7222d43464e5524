// FormatPicture: a number turned into text under the control of a picture
// such as "####.##########"; LayoutFixed and LayoutExponent lay the rounded
// digits out in the picture's field.
#pragma once
#include <cstdint>

#include "runtime/numeric/decimal_digits.h"
#include "runtime/numeric/extended.h"
#include "runtime/numeric/picture_scan.h"
#include "runtime/numeric/picture_text.h"

namespace tolvex::numeric {

// Pops the picture (PopText; a temporary is released once copied), formats
// `number` (rounded to double first, status of that rounding not reported)
// and pushes the result with NewTempText: literal prefix, field, suffix.
// An empty picture gives the free form with a blank or "-" in front.
// A value too wide for a fixed field shows as "%" and its free form.
// Errors: no field → 5 at 0x9704; a field of "&", "!" or "@" → 13 at 0x9704;
// no memory for the working copies → 7 at 0x9701, 0x9702, 0x9703.
// Examples: "####.##########" with 139.50005555555555 → " 139.5000555556";
// "###" with 999.5 → "999"; "##.##" with 99.995 → "% 99.995";
// "#.##^^^^^" with 1E150 → " .10D+151".
void FormatPicture(Extended number);

// The fixed form (exponent mode 0) of `decimal` in `field`, appended to
// `out`. Returns false, writing nothing, when the value does not fit (the
// caller then writes the overflow form). A fitting value takes exactly
// integer positions + point + fraction positions bytes (+1 for a trailing
// sign).
bool LayoutFixed(const PictureField& field, const Decimal& decimal, PictureText* out);

// The exponent form (exponent mode 1 or 2); a field too narrow for its
// digits or exponent is marked with a leading "%" but always written.
void LayoutExponent(const PictureField& field, const Decimal& decimal, PictureText* out);

}  // namespace tolvex::numeric
