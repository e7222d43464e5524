// GeneralNumberText: the free form of a number, 15 significant digits, used
// for an empty picture and behind the overflow marker "%".
#pragma once
#include <cstdint>

#include "runtime/numeric/extended.h"
#include "runtime/numeric/picture_scan.h"
#include "runtime/numeric/picture_text.h"

namespace tolvex::numeric {

constexpr int kGeneralDigits = 15;

// Appends the free form of `value` (already rounded to double) to `out`.
// The sign first: "+" or "-" (kLeadingPlus), "-" only (kMinusInFront), a
// blank or "-" (kBlankOrMinus).
// Plain when the decimal exponent E is 0..14, or below 0 when the digits
// after the point (leading zeros included) are at most 15 ("." without a "0"
// before it); otherwise d.dddD+xxx. Zero is "0" (" 0" with kBlankOrMinus).
// An infinity is "INF" after its sign, a NaN "NAN".
// Examples (kBlankOrMinus): 139.50005555555555 → " 139.500055555556";
// 0.0001111111111 → " .0001111111111"; 1E20 → " 1D+020";
// 123456789012345678 → " 1.23456789012346D+017".
void GeneralNumberText(Extended value, SignMode sign_mode, PictureText* out);

}  // namespace tolvex::numeric
