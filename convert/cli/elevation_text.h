// One elevation value as written in a tile ("30.46", "-9999.") turned into
// a cell of the output unit, by the same steps the dialogue runs on every
// entry, so that both write the same numbers.
#pragma once
#include <cstdint>
#include <string_view>

#include "convert/cli/tile.h"
#include "convert/elevation_cell.h"
#include "runtime/numeric/number_scan.h"
#include "runtime/numeric/scaled_single.h"

namespace tolvex::cli {

enum class ValueStatus : uint8_t {
  kOk,
  kNotANumber,  // not one whole number: "", "12abc", "1 2", "--1", "1e"
  kOutOfRange,  // a number the unit cannot hold (3276.8 in tenths, 1E50)
};

// The longest value text taken for a number; longer texts are kNotANumber.
constexpr size_t kMaxValueText = 64;

// Reads `text` as the dialogue reads an entry into a single (the runtime's
// decimal scan, rounded to single) and stores it in *cell: for kMetres and
// kTenths the int16 of convert::ElevationCell (metres rounded half up,
// tenths floored, -9999 kept as no data); the whole text must be the
// number, with no blank anywhere. Stricter than the runtime's scan, which
// reads "1e" as 1 and "." as 0: a value cut short is no number here.
// *cell is untouched unless kOk.
// Precondition: unit is kMetres or kTenths; the thread's float unit is in
// its start state (extended precision, round to nearest).
// Examples: ("12.7", kTenths) → 126; ("12.5", kMetres) → 13;
// ("-3.7", kMetres) → -4; ("-9999.", either) → -9999;
// ("3276.8", kTenths) → kOutOfRange; ("12abc", ...) → kNotANumber.
ValueStatus ElevationFromText(std::string_view text, Unit unit, int16_t* cell);

// The same for f32 cells: the single the dialogue holds before its unit
// arithmetic. Examples: "30.46" → 30.4599991f; "1.5E2" → 150.0f;
// "-9999." → -9999.0f; "1E50" → kOutOfRange.
ValueStatus ElevationFromText(std::string_view text, float* cell);

// The two above for a text the caller has terminated in place: text[size]
// is '\0' (the tile reader does so between its tuples, which saves a copy
// per value). Same results.
ValueStatus ElevationFromTerminatedText(const char* text, size_t size, Unit unit, int16_t* cell);
ValueStatus ElevationFromTerminatedText(const char* text, size_t size, float* cell);

// The shape nearly every value has, "-123.45" (an optional minus, 1 to 19
// digits with at most one point among or after them), read in one pass
// without the general scan; the same cell as above, which try it first.
// False when the text has another shape or its value does not convert on
// this path: the caller then takes ElevationFromTerminatedText, which also
// says what is wrong. text[size] need not be '\0'.
inline bool PlainElevation(const char* text, size_t size, Unit unit, int16_t* cell);
inline bool PlainElevation(const char* text, size_t size, float* cell);

// ------------------------------------------------------------ inline steps
// The plain path runs on every value of a tile.

namespace elevation_text_detail {

// The digits of a plain decimal as the scan hands them over: the
// accumulator of its significant digits and the decimal exponent. The scan
// counts leading zeros for nothing, which changes neither; 19 digits fit 64
// bits.
inline bool PlainDigits(const char* text, size_t size, numeric::ScannedDigits* digits) {
  const char* p = text;
  const char* const end = text + size;
  digits->negative = p != end && *p == '-';
  if (digits->negative) ++p;
  uint64_t accumulator = 0;
  int count = 0;
  int32_t fraction = -1;  // digits after the point; -1 before it
  for (; p != end; ++p) {
    const auto digit = static_cast<unsigned>(*p - '0');
    if (digit <= 9) {
      accumulator = accumulator * 10 + digit;
      ++count;
      if (fraction >= 0) ++fraction;
    } else if (*p == '.' && fraction < 0) {
      fraction = 0;
    } else {
      return false;
    }
  }
  if (count == 0 || count > 19) return false;
  digits->status = numeric::kScanOk;
  digits->low = accumulator;
  digits->exponent = fraction > 0 ? -fraction : 0;
  return true;
}

}  // namespace elevation_text_detail

inline bool PlainElevation(const char* text, size_t size, Unit unit, int16_t* cell) {
  numeric::ScannedDigits digits;
  float elevation;
  const int16_t factor = unit == Unit::kTenths ? convert::kTenthsFactor : convert::kMetresFactor;
  return elevation_text_detail::PlainDigits(text, size, &digits) &&
         numeric::ScaledSingle(digits, &elevation) &&
         convert::ElevationCell(elevation, factor, cell);
}

inline bool PlainElevation(const char* text, size_t size, float* cell) {
  numeric::ScannedDigits digits;
  return elevation_text_detail::PlainDigits(text, size, &digits) &&
         numeric::ScaledSingle(digits, cell);
}

}  // namespace tolvex::cli
