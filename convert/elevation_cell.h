// One elevation entry as a cell of the raster: the arithmetic the routine
// runs on every entry, shared with the command-line converter so that both
// write the same numbers. Pure: no runtime state, safe on any thread. Inline:
// it runs on every cell of every tile.
#pragma once
#include <cstdint>

namespace tolvex::convert {

// The value that marks a cell without data, in every unit.
constexpr int16_t kNoData = -9999;

// Unit factors of the routine: whole metres and tenths of a metre.
constexpr int16_t kMetresFactor = 1;
constexpr int16_t kTenthsFactor = 10;

// True when the elevation, compared with the integer -9999, is equal: the
// single -9999 written as "-9999", "-9999." or "-9999.00".
inline bool IsNoData(float elevation);

// Metres are rounded half up: the elevation plus 0.5, rounded to single
// precision (this rounding is part of the result: 0.49999997 + 0.5 rounds
// to 1). 12.5 → 13.0, 12.49 → 12.99.
inline float AddHalf(float elevation);

// floor(elevation × factor) as an int16, the product kept in extended
// precision: 12.7 (12.69999981 as a single) × 10 → 126. False, and *cell
// untouched, when the result does not fit int16 (3276.8 × 10).
inline bool ScaledCell(float elevation, int16_t factor, int16_t* cell);

// The whole entry in metres or tenths, as the routine stores it: -9999 for
// no data, else the rounding of the unit. False when it does not fit.
inline bool ElevationCell(float elevation, int16_t factor, int16_t* cell);

// ------------------------------------------------------------ inline steps
// The routine defines these steps in the x87 unit's extended precision; they
// are computed here in double precision, which gives the same results bit
// for bit and raises no flag of the x87 unit:
// - e + 0.5 is exact in double for every single e with |e| < 2^52 (its bits
//   run from at most 2^51 down to at least 2^-53 when |e| >= 2^-30); for a
//   larger |e| or a smaller nonzero one, the sum rounded to double or to
//   extended lies on the same side of every single midpoint, so the final
//   rounding to single, ties to even, lands on the same single;
// - e × 10 needs at most 28 significant bits: exact in double as in extended;
// - floor into int16 fits exactly when -32768 <= product < 32768, which is
//   the range check of the unit's integer store after its downward rounding.
// The equality was checked against the x87 steps for every finite single.

inline bool IsNoData(float elevation) { return elevation == static_cast<float>(kNoData); }

inline float AddHalf(float elevation) {
  return static_cast<float>(static_cast<double>(elevation) + 0.5);
}

inline bool ScaledCell(float elevation, int16_t factor, int16_t* cell) {
  const double product = static_cast<double>(elevation) * factor;
  if (!(product >= -32768.0 && product < 32768.0)) return false;  // a NaN fails too
  auto whole = static_cast<int32_t>(product);  // toward zero
  if (product < whole) --whole;                // toward minus infinity
  *cell = static_cast<int16_t>(whole);
  return true;
}

inline bool ElevationCell(float elevation, int16_t factor, int16_t* cell) {
  if (IsNoData(elevation)) {
    *cell = kNoData;
    return true;
  }
  if (factor == kMetresFactor) elevation = AddHalf(elevation);
  return ScaledCell(elevation, factor, cell);
}

}  // namespace tolvex::convert
