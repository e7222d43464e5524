// Which of two overlapping tiles a mosaic shows: the finer product, then the
// newer survey, both read from the tile's file name.
#pragma once
#include <compare>
#include <string_view>

namespace tolvex::cli {

// Ordered by priority, lowest first, so std::sort over ranks puts the tiles
// to paint first (and to be painted over) at the front.
struct ProductRank {
  int product = 0;   // 0 unknown, 1 DEM10B, 2 DEM10A, 3 DEM5C, 4 DEM5B, 5 DEM5A, 6 DEM1A
  int date = 0;      // YYYYMMDD, 0 when the name carries none
  auto operator<=>(const ProductRank&) const = default;
};

// The rank a file name gives its tile: the name is split at every character
// that is not a letter or digit; a product code (any letter case) sets the
// product, a piece of exactly 8 digits the date; the last of each counts.
// Example: "FG-GML-5339-45-00-DEM5A-20161001.xml" → {5, 20161001};
// "elevation.xml" → {0, 0}.
ProductRank RankOfTileName(std::string_view name);

}  // namespace tolvex::cli
