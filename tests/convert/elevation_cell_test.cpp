// The per-entry arithmetic in double precision against the x87 steps the
// routine defines (value + 0.5 stored to single; the product kept extended,
// rounded downward and stored to an integer): equal on the singles around
// every boundary and on a million drawn at random.
#include "convert/elevation_cell.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "runtime/numeric/conversions.h"
#include "runtime/numeric/extended.h"
#include "runtime/numeric/float_unit.h"

namespace tolvex::convert {
namespace {

using numeric::Extended;

// The x87 steps of the routine.
bool UnitSteps(float elevation, int16_t factor, int16_t* cell) {
  if (Extended::FromSingle(elevation) == Extended::FromInt(kNoData)) {
    *cell = kNoData;
    return true;
  }
  if (factor == kMetresFactor)
    elevation = (Extended::FromSingle(elevation) + Extended::FromDouble(0.5)).ToSingle();
  const Extended product = Extended::FromSingle(elevation) * Extended::FromInt(factor);
  const int64_t whole = numeric::conversions_detail::StoreInteger(numeric::IntegerPart(product));
  if (whole < INT16_MIN || whole > INT16_MAX) return false;
  *cell = static_cast<int16_t>(whole);
  return true;
}

// Where the cell fits, those steps raise no reported flag: the routine
// reads no status after them.
bool UnitCell(float elevation, int16_t factor, int16_t* cell) {
  const numeric::StatusKeeper keep_status;
  const bool fits = UnitSteps(elevation, factor, cell);
  if (fits) {
    EXPECT_EQ(numeric::ReadFloatStatus() & numeric::kStatusReported, 0) << elevation;
  }
  return fits;
}

::testing::AssertionResult Same(float elevation) {
  for (int16_t factor : {kMetresFactor, kTenthsFactor}) {
    int16_t want = 0x5555, got = 0x5555;
    const bool want_fits = UnitCell(elevation, factor, &want);
    const bool fits = ElevationCell(elevation, factor, &got);
    if (fits != want_fits || got != want) {
      uint32_t bits;
      std::memcpy(&bits, &elevation, sizeof bits);
      return ::testing::AssertionFailure() << "single 0x" << std::hex << bits << " factor "
                                           << std::dec << factor << ": " << got << " vs " << want;
    }
  }
  return ::testing::AssertionSuccess();
}

TEST(ElevationCell, EqualsTheFloatUnitSteps) {
  numeric::ResetFloatUnit();
  // Every boundary: no data, halves, the ends of int16 in both units, the
  // edges of exactness (2^23, 2^24, 2^52), the smallest and largest singles.
  for (float centre : {-9999.0f, 0.0f, 0.5f, -0.5f, 1.5f, 2.5f, 3276.7f, 3276.8f, -3276.8f,
                       -3276.9f, 32767.5f, -32768.5f, 32767.0f, -32768.0f, 8388608.5f,
                       16777216.0f, 4503599627370496.0f, 1e-30f, 1.17549435e-38f, 1e-45f,
                       3.4028235e38f}) {
    for (float at : {centre, -centre}) {
      float below = at, above = at;
      for (int step = 0; step < 64; ++step) {
        ASSERT_TRUE(Same(below));
        ASSERT_TRUE(Same(above));
        below = std::nextafter(below, -INFINITY);
        above = std::nextafter(above, INFINITY);
      }
    }
  }
  // Any single, and singles in the range of heights.
  std::mt19937 random(7);
  std::uniform_real_distribution<float> heights(-40000.0f, 40000.0f);
  for (int i = 0; i < 500000; ++i) {
    const auto bits = static_cast<uint32_t>(random());
    float elevation;
    std::memcpy(&elevation, &bits, sizeof elevation);
    if (std::isfinite(elevation)) {
      ASSERT_TRUE(Same(elevation));
    }
    ASSERT_TRUE(Same(heights(random)));
  }
}

}  // namespace
}  // namespace tolvex::convert
