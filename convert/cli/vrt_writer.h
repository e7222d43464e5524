// The GDAL virtual mosaic of many converted tiles (--merge): one VRT file
// that shows them as a single raster, finer and newer tiles on top.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "convert/cli/grid_geometry.h"
#include "convert/cli/tile.h"

namespace tolvex::cli {

struct MosaicTile {
  std::string path;     // the converted file (.bil or .tif), as the caller reaches it
  std::string name;     // the tile's file name, which gives its rank (product_rank.h)
  Geometry geometry;
};

// The text of the VRT (one band of Int16, or Float32 for Unit::kFloat;
// NoDataValue -9999). Its pixel is the finest cell among the tiles, its
// extent their union, its SRS the tiles' EPSG code with longitude first.
// Each tile is one ComplexSource with NODATA -9999, so a tile's empty cells
// never hide another's, placed in mosaic pixels (a 10 m tile spans twice its
// cell count in a 5 m mosaic). Sources go lowest rank first (RankOfTileName,
// equal ranks in the given order), because GDAL paints later sources over
// earlier ones.
// A path below or beside `vrt_directory` is written relative to it
// (relativeToVRT="1"), any other as given (relativeToVRT="0"): pass the
// paths and the directory both absolute, or both relative to one place.
// Example: "/out/a.bil" with vrt_directory "/out" → relativeToVRT="1" a.bil;
// "/data/b.bil" → relativeToVRT="0" /data/b.bil.
// Throws std::runtime_error for no tiles and for tiles in more than one CRS:
// "tiles in different CRSs: EPSG:6668 (12 tiles), EPSG:4612 (3 tiles)",
// the most common first.
std::string MosaicVrt(std::vector<MosaicTile> tiles, Unit unit, std::string_view vrt_directory);

}  // namespace tolvex::cli
