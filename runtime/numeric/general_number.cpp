// GeneralNumberText (see general_number.h): (digits, exponent) → free form.
// Holds no OS code.
#include "runtime/numeric/general_number.h"

#include "runtime/numeric/decimal_digits.h"

namespace tolvex::numeric {
namespace {

void PutSign(bool negative, SignMode sign_mode, PictureText* out) {
  if (negative) {
    out->Put('-');
  } else if (sign_mode == SignMode::kLeadingPlus) {
    out->Put('+');
  } else if (sign_mode == SignMode::kBlankOrMinus) {
    out->Put(' ');
  }
}

// The absolute value of an exponent in exactly three digits.
void PutThreeDigits(int32_t value, PictureText* out) {
  if (value < 0) value = -value;
  out->Put(static_cast<char>('0' + value / 100 % 10));
  out->Put(static_cast<char>('0' + value / 10 % 10));
  out->Put(static_cast<char>('0' + value % 10));
}

}  // namespace

void GeneralNumberText(Extended value, SignMode sign_mode, PictureText* out) {
  const Decimal decimal = DecomposeDecimal(value);
  switch (decimal.kind) {
    case kDecimalZero:
      if (sign_mode == SignMode::kBlankOrMinus) out->Put(' ');
      out->Put('0');
      return;
    case kDecimalNaN:
      out->PutText("NAN");
      return;
    case kDecimalInfinite:
      PutSign(decimal.negative, sign_mode, out);
      out->PutText("INF");
      return;
    case kDecimalNormal:
      break;
  }
  const Digits digits = RoundDigits(decimal.fixed, kGeneralDigits);
  const int32_t e = decimal.exponent + (digits.carry == kCarryOne ? 1 : 0);
  PutSign(decimal.negative, sign_mode, out);

  if (e >= 0 && e < kGeneralDigits) {
    // Integer digits, completed with zeros, then the rest after a point.
    for (int32_t i = 0; i <= e; ++i) out->Put(i < digits.length ? digits.text[i] : '0');
    if (digits.length > e + 1) {
      out->Put('.');
      for (int32_t i = e + 1; i < digits.length; ++i) out->Put(digits.text[i]);
    }
    return;
  }
  if (e < 0 && (-e - 1) + digits.length <= kGeneralDigits) {
    out->Put('.');
    out->PutRepeated('0', -e - 1);
    for (int32_t i = 0; i < digits.length; ++i) out->Put(digits.text[i]);
    return;
  }
  out->Put(digits.text[0]);
  if (digits.length > 1) {
    out->Put('.');
    for (int32_t i = 1; i < digits.length; ++i) out->Put(digits.text[i]);
  }
  out->Put('D');
  out->Put(e < 0 ? '-' : '+');
  PutThreeDigits(e, out);
}

}  // namespace tolvex::numeric
