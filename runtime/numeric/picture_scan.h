// Reading a picture: CopyPictureLiteral copies the literal text around the
// numeric field, ScanPictureField reads the field into a PictureField.
#pragma once
#include <cstdint>

#include "runtime/numeric/picture_text.h"

namespace tolvex::numeric {

// Where a field shows the value's sign.
enum class SignMode : int8_t {
  kMinusInFront,   // the default: "-" in front of a negative value
  kLeadingPlus,    // a leading "+": "+" or "-" in front
  kBlankOrMinus,   // the exponent form's default: blank or "-" in front
  kTrailingPlus,   // a trailing "+": "+" or "-" after the field
  kTrailingMinus,  // a trailing "-": blank or "-" after the field
};
inline bool IsTrailing(SignMode mode) {
  return mode == SignMode::kTrailingPlus || mode == SignMode::kTrailingMinus;
}

// Fixed form, or the exponent form with two ("^^^^") or three ("^^^^^")
// exponent digits.
enum class ExponentMode : uint8_t { kFixed, kTwoDigits, kThreeDigits };

// The numeric field of one picture, built afresh on each call. Counts are
// kept wider than a byte, so a very long picture cannot wrap them.
struct PictureField {
  int32_t fraction_positions = 0;
  int32_t integer_positions = 0;  // a leading "+", "\" and "," included
  bool fill = false;              // unused leading positions shown as "*"
  bool currency = false;          // "\" before the first digit
  bool separators = false;        // integer digits grouped by three with ","
  bool point = false;
  SignMode sign_mode = SignMode::kMinusInFront;
  ExponentMode exponent_mode = ExponentMode::kFixed;
};

// A read position in a picture (bytes, not NUL-terminated).
struct PictureCursor {
  const uint8_t* bytes;
  uint32_t length;
  uint32_t position = 0;

  bool AtEnd() const { return position >= length; }
  // The byte `ahead` places on, or 0 past the end.
  uint8_t Peek(uint32_t ahead = 0) const {
    return position + ahead < length ? bytes[position + ahead] : 0;
  }
};

// Copies literal picture text to `out` until the end or a stop: one of "#",
// "&", "!", "@", or the pairs "**", "\\", "+#", ".#", or "+.#"; the cursor is
// left on the stop. "_" copies the next character whatever it is ("_#" gives
// "#"); a "_" at the very end is dropped. A Shift-JIS lead byte (0x81-0x9F,
// 0xE0-0xFC) is copied with its trail byte and never taken as a stop.
// Returns the number of bytes copied.
// Example: "Total: ###" copies "Total: " and stops at "#".
uint32_t CopyPictureLiteral(PictureCursor* picture, PictureText* out);

// Reads the field at the cursor (which stands on "#", "*", "\", "." or "+")
// and leaves the cursor after it, on the suffix.
// Example: "**#,###.##-" gives integer positions 7 ("*" and "," counted),
// fraction positions 2, fill, separators, point and sign mode -3.
PictureField ScanPictureField(PictureCursor* picture);

}  // namespace tolvex::numeric
