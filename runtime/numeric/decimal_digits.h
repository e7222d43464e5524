// The decimal digits of a value: DecomposeDecimal scales it into [1, 10)
// with the power-of-ten tables, RoundDigits generates and rounds its digits.
// Bare digits and a decimal exponent come out; layout happens elsewhere.
#pragma once
#include <cstdint>

#include "runtime/numeric/extended.h"

namespace tolvex::numeric {

// A 96-bit unsigned fixed-point value: `high` holds the integer digit (0..9
// after scaling), `low` the exact binary fraction.
struct FixedPoint {
  uint32_t high = 0;
  uint64_t low = 0;
};

enum DecimalClass : uint8_t {
  kDecimalNormal = 0,
  kDecimalZero = 1,
  kDecimalInfinite = 2,
  kDecimalNaN = 3,
};

// The value is d.ddd... * 10^exponent, with d.ddd... the fixed-point value.
struct Decimal {
  DecimalClass kind = kDecimalZero;
  bool negative = false;  // cleared for zero: minus zero formats as zero
  int16_t exponent = 0;
  FixedPoint fixed;
};

// Scales |value| into [1, 10): below 1 by dividing by the PowersOfTenDown
// entries it does not exceed (then once times ten unless exactly 1), from 2
// up by dividing by the PowersOfTenUp entries it reaches; each quotient and
// product rounded to extended. Example: 999.5 → 9.99499999999999999996...
// (the division by 10^2 rounds down), exponent 2.
Decimal DecomposeDecimal(Extended value);

// Room for 20 generated digits, so up to 18 can be asked for (n + 2 are
// generated). A request for more is served as 18: the digits beyond are
// shown as "0" by the layouts, and nothing is written past the buffer.
constexpr int kDigitCapacity = 20;
constexpr int kMaxRoundedDigits = kDigitCapacity - 2;

enum RoundCarry : int8_t {
  kCarryNone = 0,
  kCarryOne = 1,        // all kept digits were 9: the string is "1"
  kRoundedToZero = -1,  // nothing is left: the string is empty
};

struct Digits {
  char text[kDigitCapacity + 1] = {};  // kept digits, NUL-terminated
  int length = 0;
  RoundCarry carry = kCarryNone;
};

// Rounds the expansion of `fixed` half up to `requested` significant digits
// (the integer digit counts as the first), looking at the digit at index
// `requested` and never beyond it. Trailing zeros are removed (at least one
// digit is kept when requested > 0).
// Examples: 1.3950005555555554792... with 13 → "1395000555556";
// 9.9995 with 4 → "1", carry 1; 4.0 with 0 → "", rounded to zero.
Digits RoundDigits(FixedPoint fixed, int requested);

}  // namespace tolvex::numeric
