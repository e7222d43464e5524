// DecomposeDecimal and RoundDigits (see decimal_digits.h): extended value →
// (digits, decimal exponent). Holds no OS code.
#include "runtime/numeric/decimal_digits.h"

#include "runtime/numeric/powers_of_ten.h"

namespace tolvex::numeric {
namespace {

// One more digit: the integer part is dropped and the fraction multiplied
// by ten exactly (2F + 8F); the new integer part is the digit.
uint32_t NextDigit(FixedPoint* fixed) {
  const unsigned __int128 times_ten = static_cast<unsigned __int128>(fixed->low) * 10u;
  fixed->low = static_cast<uint64_t>(times_ten);
  fixed->high = static_cast<uint32_t>(times_ten >> 64);
  return fixed->high;
}

// x in [1, 10) as fixed point: the significand shifted left by (exponent + 1)
// puts the integer part in the upper 32 bits.
FixedPoint ToFixed(Extended x) {
  const unsigned __int128 wide = static_cast<unsigned __int128>(x.significand())
                                 << (x.exponent() + 1);
  return FixedPoint{static_cast<uint32_t>(wide >> 64), static_cast<uint64_t>(wide)};
}

}  // namespace

Decimal DecomposeDecimal(Extended value) {
  Decimal decimal;
  decimal.negative = value.negative();
  if (value.biased_exponent() == 0) {
    decimal.kind = kDecimalZero;
    decimal.negative = false;
    return decimal;
  }
  if (!value.is_finite()) {
    decimal.kind = value.is_nan() ? kDecimalNaN : kDecimalInfinite;
    return decimal;
  }
  decimal.kind = kDecimalNormal;
  Extended x = Abs(value);
  int32_t e = 0;
  const Extended one(1.0L);
  if (x < one) {
    for (int i = 0; i < kPowerCount; ++i) {
      if (x <= PowersOfTenDown[i]) {
        x = x / PowersOfTenDown[i];
        e += kPowerExponents[i];
      }
    }
    e = -e;
    if (x != one) {
      e -= 1;
      x = x * Ten();
    }
  } else if (x >= Extended(2.0L)) {
    for (int i = 0; i < kPowerCount; ++i) {
      if (x >= PowersOfTenUp[i]) {
        x = x / PowersOfTenUp[i];
        e += kPowerExponents[i];
      }
    }
  }
  decimal.exponent = static_cast<int16_t>(e);
  decimal.fixed = ToFixed(x);
  return decimal;
}

Digits RoundDigits(FixedPoint fixed, int requested) {
  Digits digits;
  if (requested < 0) {
    digits.carry = kRoundedToZero;
    return digits;
  }
  if (requested == 0) {
    if (fixed.high >= 5) {
      digits.text[0] = '1';
      digits.length = 1;
      digits.carry = kCarryOne;
    } else {
      digits.carry = kRoundedToZero;
    }
    return digits;
  }
  const int n = requested < kMaxRoundedDigits ? requested : kMaxRoundedDigits;
  // Digits 0 .. n: the integer digit, then one per multiplication by ten.
  char generated[kDigitCapacity];
  generated[0] = static_cast<char>('0' + fixed.high);
  for (int i = 1; i <= n; ++i) generated[i] = static_cast<char>('0' + NextDigit(&fixed));

  int length = n;
  for (int i = 0; i < n; ++i) digits.text[i] = generated[i];
  if (generated[n] >= '5') {
    // Half up: add one at index n - 1, the 9s it carries through go away.
    while (length > 0 && digits.text[length - 1] == '9') --length;
    if (length == 0) {
      digits.text[0] = '1';
      digits.text[1] = '\0';
      digits.length = 1;
      digits.carry = kCarryOne;
      return digits;
    }
    ++digits.text[length - 1];
  } else {
    while (length > 1 && digits.text[length - 1] == '0') --length;
  }
  digits.text[length] = '\0';
  digits.length = length;
  return digits;
}

}  // namespace tolvex::numeric
