// The tile reader: one DEM tile (GML text, UTF-8 or Shift_JIS) read by its
// elements from a byte stream into its head and its cells, in one pass and
// in pieces, never holding the whole file.
#pragma once
#include <cstdint>

#include "convert/cli/byte_source.h"
#include "convert/cli/tile.h"

namespace tolvex::cli {

// The most cells a tile may have. Real products have 225 x 150 or
// 1125 x 750; the bound keeps the memory of a damaged or hostile tile small.
constexpr uint64_t kMaxTileCells = 4'194'304;

struct ReadOptions {
  Unit unit = Unit::kMetres;
  // Read only what places a tile (srsName, corners, grid size) and stop
  // there, before the tuples: for tiles already converted.
  bool head_only = false;
};

// Reads the tile the source streams. The elements are found by local name
// inside the DEM element, in any order and layout: gml:Envelope (srsName),
// gml:lowerCorner and gml:upperCorner ("latitude longitude"), gml:low
// ("0 0"), gml:high (columns - 1, rows - 1), gml:tupleList, gml:sequenceRule
// (order "+x-y" or absent), gml:startPoint ("x y" of the first tuple,
// "0 0" when absent). The result holds columns × rows cells of the unit,
// row by row from the north-west; cells before the start point and after
// the last tuple are no data (-9999). With head_only the cells are empty
// and head.tuples is 0.
// Throws TileError (line, message) for a tile that cannot be converted: an
// unsupported encoding, no DEM element, an unknown srsName, a corner or
// grid text out of bounds, a bad tuple, an element missing, a file cut
// short. ReadError from the source passes through.
// Example: a 225 x 150 tile whose list of 33,063 tuples starts at
// gml:startPoint "12 3" gives cells 0..686 = -9999, cell 687 = the first
// tuple, and the last cell the last tuple.
Tile ReadTile(ByteSource& source, const ReadOptions& options);

}  // namespace tolvex::cli
