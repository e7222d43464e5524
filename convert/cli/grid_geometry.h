// Where a tile's cells lie: the north-west corner, the cell size and the CRS,
// with the rounding of the tile's corner texts undone so that neighbouring
// tiles meet exactly.
#pragma once
#include <string>

#include "convert/cli/tile.h"

namespace tolvex::cli {

struct Geometry {
  double west = 0, north = 0;     // outer edges of the north-west cell, degrees
  double cell_x = 0, cell_y = 0;  // cell width and height, degrees
  int columns = 0, rows = 0;
  Crs crs;
};

// The cell sizes the products use, as cells per degree: 0.4" (10 m),
// 0.2" (5 m) and 0.04" (1 m).
inline constexpr int kCellsPerDegree[] = {9000, 18000, 90000};

// The geometry of a tile from its envelope (corners are outer cell edges).
// Each cell size is the span over the cell count, replaced by the exact
// product size 1/N when the spans differ by at most 2e-9 degrees (the corners
// carry 9 decimals); the west and north edges are then replaced by the
// nearest multiple k/N when within 1e-9 degrees. With no exact size the
// computed size and the edges as read are kept.
// Example: 5 m tile, corners 35.708333333 139.5 / 35.716666667 139.5125,
// 225 x 150 cells → cell 1/18000 both ways, north 642900/18000, west 139.5.
// Throws TileError (line 0) for an envelope without area or cells.
Geometry GeometryOf(const TileHead& head);

// Throws std::invalid_argument unless the tile holds columns × rows cells of
// its unit's type: what every writer needs before it indexes the cells.
void RequireCellsOfGeometry(const Tile& tile, const Geometry& geometry);

// A coordinate as text that reads back as the very same double (17
// significant digits, independent of the locale):
// 1.0 / 18000 → "5.5555555555555558e-05", 139.5 → "139.5".
std::string CoordinateText(double value);

}  // namespace tolvex::cli
