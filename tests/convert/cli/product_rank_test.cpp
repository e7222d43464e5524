// The rank of a tile for mosaics: finer product first, then the newer date.
#include "convert/cli/product_rank.h"

#include <gtest/gtest.h>

namespace tolvex::cli {
namespace {

TEST(ProductRank, ReadsProductAndDateFromTheNameAndOrdersByThem) {
  EXPECT_EQ(RankOfTileName("FG-GML-5339-45-00-DEM5A-20161001.xml"), (ProductRank{5, 20161001}));
  EXPECT_EQ(RankOfTileName("zips/fg-gml-5339-45-dem10b-20090401"), (ProductRank{1, 20090401}));
  EXPECT_EQ(RankOfTileName("FG-GML-5339-45-DEM5AX-2016100"), (ProductRank{0, 0}));
  EXPECT_EQ(RankOfTileName("elevation-201610011.xml"), (ProductRank{0, 0}));
  // Every name ranks strictly below the next one.
  const std::string_view ascending[] = {
      "unknown-20240101", "DEM10B-20090401", "DEM10B-20140401", "DEM10A-20090401",
      "DEM5C-20161001",   "DEM5B-20161001",  "DEM5A-20101001",  "DEM5A-20161001", "DEM1A-20000101"};
  for (size_t i = 1; i < std::size(ascending); ++i)
    EXPECT_LT(RankOfTileName(ascending[i - 1]), RankOfTileName(ascending[i])) << ascending[i];
}

}  // namespace
}  // namespace tolvex::cli
