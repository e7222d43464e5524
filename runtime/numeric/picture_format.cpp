// FormatPicture and its two layouts (see picture_format.h):
// (digits, decimal exponent) → the field's text. Holds no OS code; no
// printf anywhere: every byte is placed by the rules below.
#include "runtime/numeric/picture_format.h"

#include <cstring>

#include "runtime/core/error_codes.h"
#include "runtime/core/runtime_error.h"
#include "runtime/numeric/float_unit.h"
#include "runtime/numeric/general_number.h"
#include "runtime/os/memory.h"
#include "runtime/text/string_stack.h"

namespace tolvex::numeric {
namespace {

// Working copy of an empty picture's result: the free form needs < 30 bytes.
constexpr uint32_t kEmptyPictureRoom = 256;
// Room beyond the picture's length for what a field can add to it: a sign,
// "%", the exponent "D+xxx" or the free form behind "%".
constexpr uint32_t kOutputSlack = 64;

// Reads the kept digits in order; past their end it gives "0" and stays.
class DigitReader {
 public:
  explicit DigitReader(const Digits& digits) : digits_(digits) {}
  char Next() { return index_ < digits_.length ? digits_.text[index_++] : '0'; }

 private:
  const Digits& digits_;
  int index_ = 0;
};

void PutTrailingSign(const PictureField& field, bool negative, PictureText* out) {
  if (field.sign_mode == SignMode::kTrailingPlus) out->Put(negative ? '-' : '+');
  if (field.sign_mode == SignMode::kTrailingMinus) out->Put(negative ? '-' : ' ');
}

// A block from the memory seam, released on every way out.
class Block {
 public:
  explicit Block(uint32_t size) : data_(static_cast<uint8_t*>(os::Allocate(size))) {}
  ~Block() { os::Release(data_); }
  Block(const Block&) = delete;
  Block& operator=(const Block&) = delete;
  uint8_t* data() const { return data_; }

 private:
  uint8_t* data_;
};

// Rounded to double as every formatted value is; the flags of this rounding
// (an overflow to infinity, an inexact result) are not reported.
Extended AsDouble(Extended number) {
  const StatusKeeper keep_status;
  return Extended::FromDouble(number.ToDouble());
}

}  // namespace

bool LayoutFixed(const PictureField& field, const Decimal& decimal, PictureText* out) {
  if (decimal.kind == kDecimalInfinite || decimal.kind == kDecimalNaN) return false;
  const bool negative = decimal.negative;
  const bool sign_in_front = field.sign_mode == SignMode::kLeadingPlus ||
                             (field.sign_mode == SignMode::kMinusInFront && negative);
  const int32_t reserved = (field.currency ? 1 : 0) + (sign_in_front ? 1 : 0);
  const int32_t available = field.integer_positions - reserved;
  const int32_t e = decimal.exponent;

  // Capacity before rounding: the separators take a quarter of the room.
  const int32_t capacity = available - (field.separators ? available >> 2 : 0);
  if (e >= 0 && e + 1 > capacity) return false;

  const Digits digits = RoundDigits(decimal.fixed, field.fraction_positions + e + 1);
  int32_t exponent = e + (digits.carry == kCarryOne ? 1 : 0);
  if (digits.carry == kRoundedToZero) exponent = 0;  // digits empty: shown as 0

  int32_t width;
  if (exponent < 0) {
    width = field.integer_positions > 0 ? 1 : 0;
  } else {
    width = exponent + 1 + (field.separators ? exponent / 3 : 0);
  }
  if (width > available) return false;

  out->PutRepeated(field.fill ? '*' : ' ', available - width);
  if (sign_in_front) out->Put(field.sign_mode == SignMode::kLeadingPlus && !negative ? '+' : '-');
  if (field.currency) out->Put('\\');
  DigitReader reader(digits);
  if (exponent >= 0) {
    for (int32_t c = width; c >= 1; --c) {
      out->Put(field.separators && c % 4 == 0 ? ',' : reader.Next());
    }
  } else if (field.integer_positions > 0) {
    out->Put('0');
  }
  if (field.point) out->Put('.');
  if (exponent < 0) {
    out->PutRepeated('0', -exponent - 1);
    const int32_t count = field.fraction_positions + exponent + 1;
    for (int32_t i = 0; i < count; ++i) out->Put(reader.Next());
  } else {
    for (int32_t i = 0; i < field.fraction_positions; ++i) out->Put(reader.Next());
  }
  PutTrailingSign(field, negative, out);
  return true;
}

void LayoutExponent(const PictureField& field, const Decimal& decimal, PictureText* out) {
  const bool negative = decimal.negative;
  const bool sign_in_front =
      field.sign_mode == SignMode::kLeadingPlus || field.sign_mode == SignMode::kBlankOrMinus ||
      (field.sign_mode == SignMode::kMinusInFront && negative);
  const int32_t reserved = (field.currency ? 1 : 0) + (sign_in_front ? 1 : 0);
  const int32_t digits_before = field.integer_positions - reserved;
  const bool zero = decimal.kind == kDecimalZero;

  const Digits digits = RoundDigits(decimal.fixed, field.fraction_positions + digits_before);
  int32_t exponent = decimal.exponent + (digits.carry == kCarryOne ? 1 : 0);
  if (digits.carry == kRoundedToZero) exponent = decimal.exponent - 1;

  // The shown exponent, known before anything is written, so the overflow
  // marker can go in front of the field.
  // Each digit before the point lowers it by one; the form shows E + 1.
  const int32_t shown = zero ? 1 : exponent - (digits_before > 0 ? digits_before : 0) + 1;
  const int32_t magnitude = shown < 0 ? -shown : shown;
  bool overflow = zero ? digits_before - 1 < 0 : digits_before < 0;
  if (field.exponent_mode == ExponentMode::kTwoDigits && magnitude >= 100) overflow = true;
  if (overflow) out->Put('%');

  if (zero) out->PutRepeated(field.fill ? '*' : ' ', digits_before - 1);
  if (sign_in_front) {
    if (negative) {
      out->Put('-');
    } else if (field.sign_mode == SignMode::kLeadingPlus) {
      out->Put('+');
    } else if (field.sign_mode == SignMode::kBlankOrMinus) {
      out->Put(' ');
    }
  }
  if (field.currency) out->Put('\\');
  if (zero) {
    // Zero is one "0" behind the fill, then zeros after the point.
    if (digits_before >= 1) out->Put('0');
    if (field.point) out->Put('.');
    out->PutRepeated('0', field.fraction_positions);
  } else {
    DigitReader reader(digits);
    for (int32_t i = 0; i < digits_before; ++i) out->Put(reader.Next());
    if (field.point) out->Put('.');
    for (int32_t i = 0; i < field.fraction_positions; ++i) out->Put(reader.Next());
  }

  out->Put('D');
  out->Put(shown < 0 ? '-' : '+');
  if (field.exponent_mode == ExponentMode::kThreeDigits || magnitude >= 100) {
    out->Put(static_cast<char>('0' + magnitude / 100 % 10));
  }
  out->Put(static_cast<char>('0' + magnitude / 10 % 10));
  out->Put(static_cast<char>('0' + magnitude % 10));
  PutTrailingSign(field, negative, out);
}

void FormatPicture(Extended number) {
  const text::StringValue picture = text::PopText();
  const Extended value = AsDouble(number);

  if (picture.length == 0) {
    text::ReleaseIfTemporary(picture);
    const Block room(kEmptyPictureRoom);
    if (room.data() == nullptr)
      core::RaiseError(core::kErrOutOfMemory, core::kLocPictureEmptyCopy);
    PictureText out(room.data(), kEmptyPictureRoom);
    GeneralNumberText(value, SignMode::kBlankOrMinus, &out);
    text::NewTempText(out.length(), out.data());
    return;
  }

  // Work on a copy: the result's allocation may move the string heap.
  const Block copy(picture.length + 1);
  if (copy.data() == nullptr) {
    text::ReleaseIfTemporary(picture);
    core::RaiseError(core::kErrOutOfMemory, core::kLocPictureCopy);
  }
  std::memcpy(copy.data(), picture.bytes, picture.length);
  copy.data()[picture.length] = 0;
  const uint32_t length = picture.length;
  text::ReleaseIfTemporary(picture);

  const uint32_t room = length + kOutputSlack;
  const Block output(room);
  if (output.data() == nullptr)
    core::RaiseError(core::kErrOutOfMemory, core::kLocPictureOutput);
  PictureText out(output.data(), room);

  PictureCursor cursor{copy.data(), length};
  CopyPictureLiteral(&cursor, &out);
  if (cursor.AtEnd()) core::RaiseError(core::kErrIllegalArgument, core::kLocPictureField);
  const uint8_t stop = cursor.Peek();
  if (stop == '&' || stop == '!' || stop == '@')
    core::RaiseError(core::kErrTypeMismatch, core::kLocPictureField);

  const PictureField field = ScanPictureField(&cursor);
  const Decimal decimal = DecomposeDecimal(value);
  if (decimal.kind == kDecimalInfinite || decimal.kind == kDecimalNaN) {
    // No digits to lay out: shown like a value too wide for its field.
    out.Put('%');
    GeneralNumberText(value, SignMode::kBlankOrMinus, &out);
  } else if (field.exponent_mode != ExponentMode::kFixed) {
    LayoutExponent(field, decimal, &out);
  } else if (!LayoutFixed(field, decimal, &out)) {
    out.Put('%');
    GeneralNumberText(value, SignMode::kBlankOrMinus, &out);
  }
  CopyPictureLiteral(&cursor, &out);
  text::NewTempText(out.length(), out.data());
}

}  // namespace tolvex::numeric
