// Fuzz target: picture formatting, any picture and any extended value through
// FormatPicture as the routine calls it.
//
// Properties: only the documented errors; the string stack balanced and no
// string block left behind; no byte of the result dropped; and for pictures
// made of known parts, the literal text kept around the field, a fitting
// fixed field exactly its width with separators every three digits, and the
// number shown within half a unit of its last digit.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "runtime/core/error_codes.h"
#include "runtime/core/runtime_error.h"
#include "runtime/frame/runtime_reset.h"
#include "runtime/numeric/picture_format.h"
#include "runtime/text/string_heap.h"
#include "runtime/text/string_stack.h"

namespace tolvex::fuzz {
namespace {

// A picture built from parts the field scanner reads whole: a literal in
// front, a field, a literal behind. Empty literals leave the field alone.
struct MadePicture {
  std::string prefix, field, suffix;
};

MadePicture MakePicture(FuzzedDataProvider& input) {
  static const char* const kLeads[] = {"", "+", "**", "\\\\", "**\\"};
  MadePicture made;
  made.prefix = std::string(input.ConsumeIntegralInRange(0, 3), 'a');
  const int lead = input.ConsumeIntegralInRange(0, 4);
  made.field = kLeads[lead];
  const int digits = input.ConsumeIntegralInRange(0, 30);
  for (int i = 0; i < digits; ++i) made.field += i > 0 && input.ConsumeBool() ? ",#" : "#";
  const int fraction = input.ConsumeIntegralInRange(digits == 0 ? 1 : 0, 30);
  if (fraction > 0 || input.ConsumeBool()) made.field += "." + std::string(fraction, '#');
  const int carets = input.ConsumeIntegralInRange(0, 2);
  if (carets > 0) made.field += std::string(carets + 3, '^');
  if (carets == 0 && lead != 1 && input.ConsumeBool())
    made.field += input.ConsumeBool() ? "+" : "-";
  made.suffix = std::string(input.ConsumeIntegralInRange(0, 3), 'z');
  return made;
}

// The number a field shows, read back: "%", fill, separators, currency and
// blanks dropped, a trailing sign put in front, "D" read as the exponent
// letter. *place is the value of one unit of its last digit. False when it
// shows no digit.
bool ReadShown(std::string_view field, long double* shown, long double* place) {
  std::string number;
  for (const char c : field)
    if (std::strchr("%*,\\ ", c) == nullptr) number += c == 'D' ? 'e' : c;
  if (!number.empty() && (number.back() == '+' || number.back() == '-')) {
    number.insert(number.begin(), number.back());
    number.pop_back();
  }
  const size_t letter = std::min(number.find('e'), number.size());
  if (number.find_first_of("0123456789") >= letter) return false;
  char* end = nullptr;
  *shown = std::strtold(number.c_str(), &end);
  FUZZ_CHECK(end == number.c_str() + number.size());
  const size_t point = number.find('.');
  const long double fraction_digits =
      point < letter ? static_cast<long double>(letter - point - 1) : 0.0L;
  const long double exponent =
      letter < number.size() ? std::strtold(&number[letter + 1], nullptr) : 0.0L;
  *place = std::pow(10.0L, exponent - fraction_digits);
  return true;
}

// The field shows the value rounded to double within half a unit of its
// last digit, or for the free form (which drops trailing zeros) of its 15th
// significant digit, plus what the extended scaling may lose.
void CheckShownValue(std::string_view field, bool free_form, numeric::Extended number) {
  const long double value = static_cast<double>(number.native());
  long double shown = 0;
  long double place = 0;
  if (!std::isfinite(value) || !ReadShown(field, &shown, &place)) return;
  const long double magnitude = std::fabs(value);
  const long double allowed =
      free_form ? magnitude * 5.1e-15L : place / 2 * (1 + 1e-15L) + magnitude * 1e-16L;
  FUZZ_CHECK(std::fabs(shown - value) <= allowed);
}

// The field as the scanner reads it (a made field is read whole).
numeric::PictureField ScannedField(const MadePicture& made) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(made.field.data());
  numeric::PictureCursor cursor{bytes, static_cast<uint32_t>(made.field.size())};
  const numeric::PictureField scanned = numeric::ScanPictureField(&cursor);
  FUZZ_CHECK(cursor.AtEnd());
  return scanned;
}

// A fixed field that fits takes exactly its positions, and its separators
// group the integer digits by three from the point.
void CheckFixedLayout(const numeric::PictureField& scanned, std::string_view field) {
  const int32_t width = scanned.integer_positions + (scanned.point ? 1 : 0) +
                        scanned.fraction_positions +
                        (numeric::IsTrailing(scanned.sign_mode) ? 1 : 0);
  FUZZ_CHECK(static_cast<int32_t>(field.size()) == width);
  const size_t integer_end = std::min(field.find('.'), field.find_last_of("0123456789") + 1);
  int digits = 0;
  for (size_t i = integer_end; i-- > 0 && field[i] != ' ' && field[i] != '*';) {
    if (field[i] == ',') FUZZ_CHECK(digits > 0 && digits % 3 == 0);
    if (field[i] >= '0' && field[i] <= '9') ++digits;
  }
}

// The provider reads the value's ten bytes from the front and its choices
// from the back: a seed is the value, the picture, then "temporary" and
// "made" bytes (the picture of a made seed is ignored: its parts come from
// the bytes before the two).
std::vector<std::string> Seeds() {
  std::vector<std::string> seeds;
  const long double values[] = {139.50005555555555L, 999.5L, -0.001L, 1e150L, 0.0L, -1e-300L};
  for (const char* picture : {"####.##########", "Total: ###.## yen", "**#,###.##-", "##.##",
                              "#.##^^^^^", "+.##^^^^", "\\\\##_#", "&", "x", "", "made"}) {
    for (const long double value : values) {
      std::string seed(reinterpret_cast<const char*>(&value), 10);
      seed += picture;
      seed += std::string("\x01") + (std::strcmp(picture, "made") == 0 ? '\x01' : '\x00');
      seeds.push_back(seed);
    }
  }
  return seeds;
}

}  // namespace
}  // namespace tolvex::fuzz

FUZZ_SEEDS(tolvex::fuzz::Seeds)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tolvex;
  frame::ResetRuntime();
  FuzzedDataProvider input(data, size);
  const bool made = input.ConsumeBool();
  const bool temporary = input.ConsumeBool();
  uint8_t value_bytes[sizeof(long double)] = {};
  input.ConsumeData(value_bytes, 10);
  long double raw;
  std::memcpy(&raw, value_bytes, sizeof raw);
  const numeric::Extended number(raw);
  const fuzz::MadePicture parts = made ? fuzz::MakePicture(input) : fuzz::MadePicture{};
  const std::string picture =
      made ? parts.prefix + parts.field + parts.suffix : input.ConsumeRemainingBytesAsString();

  const text::StringValue constant = text::ConstText(picture);
  if (temporary) {
    text::NewTempText(constant.length, constant.bytes);
  } else {
    text::PushConstText(constant);
  }
  try {
    numeric::FormatPicture(number);
  } catch (const core::RuntimeError& error) {
    core::Errors().processing = false;
    FUZZ_CHECK(error.location == core::kLocPictureField &&
               (error.code == core::kErrIllegalArgument || error.code == core::kErrTypeMismatch));
    FUZZ_CHECK(!made);
    FUZZ_CHECK(text::StackDepth() == 0 && text::StringHeapStats().live_blocks == 0);
    return 0;
  }
  FUZZ_CHECK(text::StackDepth() == 1);
  const text::StringValue result = text::PopText();
  const std::string shown = text::Bytes(result);
  text::ReleaseText(result);
  FUZZ_CHECK(text::StackDepth() == 0 && text::StringHeapStats().live_blocks == 0);
  // The formatter's room is the picture plus 64 bytes; a full room means
  // a byte may have been dropped.
  FUZZ_CHECK(shown.size() < picture.size() + 64);
  if (!made) return 0;
  FUZZ_CHECK(shown.starts_with(parts.prefix) && shown.ends_with(parts.suffix));
  const std::string_view field = std::string_view(shown).substr(
      parts.prefix.size(), shown.size() - parts.prefix.size() - parts.suffix.size());
  const numeric::PictureField scanned = fuzz::ScannedField(parts);
  const bool overflow = field.starts_with('%');
  const bool fixed = scanned.exponent_mode == numeric::ExponentMode::kFixed;
  if (fixed && !overflow) fuzz::CheckFixedLayout(scanned, field);
  fuzz::CheckShownValue(field, overflow && fixed, number);
  return 0;
}
