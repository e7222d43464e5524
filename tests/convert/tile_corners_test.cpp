// The bounds a tile's corners must lie in: both ends included, each bound
// checked on its own side.
#include "convert/tile_corners.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tolvex::convert {
namespace {

TEST(TileCornersTest, BoundsIncludeTheirEndsOnly) {
  const struct {
    double west, north;
    bool plausible;
  } cases[] = {{139.5, 35.416666667, true}, {122, 20, true},        {154, 46, true},
               {121.999, 35, false},        {154.001, 35, false},   {139.5, 19.999, false},
               {139.5, 46.001, false},      {35.4, 139.5, false},   {NAN, 35, false}};
  for (const auto& test : cases)
    EXPECT_EQ(IsPlausibleCorner(test.west, test.north), test.plausible) << test.west << test.north;
}

}  // namespace
}  // namespace tolvex::convert
