// The per-entry arithmetic of the conversion (see elevation_cell.h). Every
// step runs in the x87 unit with the runtime's own operations, so the
// results are the routine's bit for bit.
#include "convert/elevation_cell.h"

#include "runtime/numeric/conversions.h"
#include "runtime/numeric/extended.h"

namespace tolvex::convert {

using numeric::Extended;

bool IsNoData(float elevation) {
  return Extended::FromSingle(elevation) == Extended::FromInt(kNoData);
}

float AddHalf(float elevation) {
  return (Extended::FromSingle(elevation) + Extended::FromDouble(0.5)).ToSingle();
}

bool ScaledCell(float elevation, int16_t factor, int16_t* cell) {
  const Extended product = Extended::FromSingle(elevation) * Extended::FromInt(factor);
  return numeric::StoreInt16(numeric::IntegerPart(product), cell);
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
