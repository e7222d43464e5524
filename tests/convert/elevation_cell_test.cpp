// The per-entry arithmetic in double precision against the routine's x87
// steps (value + 0.5 stored to single; the product kept extended, floored
// into an integer): equal around every boundary and on a million at random.
#include "convert/elevation_cell.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <random>

#include "runtime/numeric/conversions.h"
#include "runtime/numeric/extended.h"
#include "runtime/numeric/float_unit.h"

namespace tolvex::convert {
namespace {

using numeric::Extended;

// The x87 steps of the routine; false when the cell does not fit int16.
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

// Equal cells in both units; and where the cell fits, the steps raise no
// reported flag: the routine reads no status after them.
::testing::AssertionResult Same(float elevation) {
  for (int16_t factor : {kMetresFactor, kTenthsFactor}) {
    int16_t want = 0x5555, got = 0x5555;
    const numeric::StatusKeeper keep_status;
    const bool fits = UnitSteps(elevation, factor, &want);
    if ((fits && (numeric::ReadFloatStatus() & numeric::kStatusReported) != 0) ||
        ElevationCell(elevation, factor, &got) != fits || got != want) {
      return ::testing::AssertionFailure() << "single 0x" << std::hex
                                           << std::bit_cast<uint32_t>(elevation) << " factor "
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
    for (float at : {centre, -centre}) {  // 64 singles either side
      for (int step = 0; step < 64; ++step) at = std::nextafter(at, -INFINITY);
      for (int step = 0; step < 128; ++step, at = std::nextafter(at, INFINITY))
        ASSERT_TRUE(Same(at));
    }
  }
  // Any single, and singles in the range of heights.
  std::mt19937 random(7);
  std::uniform_real_distribution<float> heights(-40000.0f, 40000.0f);
  for (int i = 0; i < 500000; ++i) {
    const auto elevation = std::bit_cast<float>(static_cast<uint32_t>(random()));
    if (std::isfinite(elevation)) { ASSERT_TRUE(Same(elevation)); }
    ASSERT_TRUE(Same(heights(random)));
  }
}

}  // namespace
}  // namespace tolvex::convert
