// CopyPictureLiteral and ScanPictureField (see picture_scan.h). Holds no OS
// code.
#include "runtime/numeric/picture_scan.h"

namespace tolvex::numeric {
namespace {

bool IsLeadByte(uint8_t c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Copies one character at the cursor: a lead byte takes its trail byte along
// (a lead byte at the very end goes alone).
uint32_t CopyCharacter(PictureCursor* picture, PictureText* out) {
  const uint8_t c = picture->Peek();
  out->Put(c);
  ++picture->position;
  if (IsLeadByte(c) && !picture->AtEnd()) {
    out->Put(picture->Peek());
    ++picture->position;
    return 2;
  }
  return 1;
}

bool IsStop(const PictureCursor& picture) {
  const uint8_t c = picture.Peek();
  if (c == '#' || c == '&' || c == '!' || c == '@') return true;
  const bool has_next = picture.position + 1 < picture.length;
  const uint8_t next = picture.Peek(1);
  if (!has_next) return false;
  if ((c == '*' && next == '*') || (c == '\\' && next == '\\') ||
      (c == '+' && next == '#') || (c == '.' && next == '#'))
    return true;
  return c == '+' && next == '.' && picture.position + 2 < picture.length &&
         picture.Peek(2) == '#';
}

bool IsFieldCharacter(uint8_t c) {
  return c == '#' || c == '*' || c == '\\' || c == '.' || c == ',';
}

}  // namespace

uint32_t CopyPictureLiteral(PictureCursor* picture, PictureText* out) {
  uint32_t copied = 0;
  while (!picture->AtEnd()) {
    const uint8_t c = picture->Peek();
    if (c == '_') {
      ++picture->position;  // the escape itself is never copied
      if (picture->AtEnd()) break;
      copied += CopyCharacter(picture, out);
      continue;
    }
    if (IsLeadByte(c)) {
      copied += CopyCharacter(picture, out);
      continue;
    }
    if (IsStop(*picture)) break;
    copied += CopyCharacter(picture, out);
  }
  return copied;
}

PictureField ScanPictureField(PictureCursor* picture) {
  PictureField field;
  if (picture->Peek() == '+' && !picture->AtEnd()) {
    field.sign_mode = SignMode::kLeadingPlus;
    ++field.integer_positions;
    ++picture->position;
  }
  if (picture->Peek() == '*' && !picture->AtEnd()) field.fill = true;

  bool fraction_side = false;
  while (!picture->AtEnd() && IsFieldCharacter(picture->Peek())) {
    const uint8_t c = picture->Peek();
    ++picture->position;
    if (c == '.' && !field.point) {
      field.point = true;
      fraction_side = true;
      continue;
    }
    if (c == '\\') field.currency = true;
    if (c == ',') field.separators = true;
    // Every other character, a later "." included, takes one position.
    if (fraction_side) {
      ++field.fraction_positions;
    } else {
      ++field.integer_positions;
    }
  }

  const auto caret_at = [&](uint32_t ahead) {
    return picture->position + ahead < picture->length && picture->Peek(ahead) == '^';
  };
  if (caret_at(0) && caret_at(1) && caret_at(2) && caret_at(3)) {
    if (field.sign_mode == SignMode::kMinusInFront) field.sign_mode = SignMode::kBlankOrMinus;
    if (field.integer_positions == 0) field.integer_positions = 1;
    field.exponent_mode = ExponentMode::kTwoDigits;
    picture->position += 4;
    if (caret_at(0)) {
      field.exponent_mode = ExponentMode::kThreeDigits;
      ++picture->position;
    }
  }

  if (field.sign_mode == SignMode::kMinusInFront && !picture->AtEnd()) {
    if (picture->Peek() == '+') {
      field.sign_mode = SignMode::kTrailingPlus;
      ++picture->position;
    } else if (picture->Peek() == '-') {
      field.sign_mode = SignMode::kTrailingMinus;
      ++picture->position;
    }
  }
  return field;
}

}  // namespace tolvex::numeric
