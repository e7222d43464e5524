// One elevation entry as a cell of the raster: the arithmetic the routine
// runs on every entry, shared with the command-line converter so that both
// write the same numbers. Pure: no runtime state, safe on any thread (each
// thread's float unit must be in its start state: extended precision, round
// to nearest).
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
bool IsNoData(float elevation);

// Metres are rounded half up: the elevation plus 0.5, rounded to single
// precision (this rounding is part of the result: 0.49999997 + 0.5 rounds
// to 1). 12.5 → 13.0, 12.49 → 12.99.
float AddHalf(float elevation);

// floor(elevation × factor) as an int16, the product kept in extended
// precision: 12.7 (12.69999981 as a single) × 10 → 126. False, and *cell
// untouched, when the result does not fit int16 (3276.8 × 10).
bool ScaledCell(float elevation, int16_t factor, int16_t* cell);

// The whole entry in metres or tenths, as the routine stores it: -9999 for
// no data, else the rounding of the unit. False when it does not fit.
bool ElevationCell(float elevation, int16_t factor, int16_t* cell);

}  // namespace tolvex::convert
