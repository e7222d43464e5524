// One elevation value as written in a tile ("30.46", "-9999.") turned into
// a cell of the output unit, by the same steps the dialogue runs on every
// entry, so that both write the same numbers.
#pragma once
#include <cstdint>
#include <string_view>

#include "convert/cli/tile.h"

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
bool PlainElevation(const char* text, size_t size, Unit unit, int16_t* cell);
bool PlainElevation(const char* text, size_t size, float* cell);

}  // namespace tolvex::cli
