// The per-entry arithmetic of the conversion (see elevation_cell.h).
//
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
#include "convert/elevation_cell.h"

namespace tolvex::convert {

bool IsNoData(float elevation) { return elevation == static_cast<float>(kNoData); }

float AddHalf(float elevation) {
  return static_cast<float>(static_cast<double>(elevation) + 0.5);
}

bool ScaledCell(float elevation, int16_t factor, int16_t* cell) {
  const double product = static_cast<double>(elevation) * factor;
  if (!(product >= -32768.0 && product < 32768.0)) return false;  // a NaN fails too
  auto whole = static_cast<int32_t>(product);  // toward zero
  if (product < whole) --whole;                // toward minus infinity
  *cell = static_cast<int16_t>(whole);
  return true;
}

bool ElevationCell(float elevation, int16_t factor, int16_t* cell) {
  if (IsNoData(elevation)) {
    *cell = kNoData;
    return true;
  }
  if (factor == kMetresFactor) elevation = AddHalf(elevation);
  return ScaledCell(elevation, factor, cell);
}

}  // namespace tolvex::convert
