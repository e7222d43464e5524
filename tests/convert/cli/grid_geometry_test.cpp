// The geometry of a tile: exact product cell sizes and edges recovered from
// 9-decimal corners, and everything else kept as read.
#include "convert/cli/grid_geometry.h"

#include <gtest/gtest.h>

namespace tolvex::cli {
namespace {

TileHead Head(double south, double west, double north, double east, int columns, int rows) {
  TileHead head;
  head.south = south, head.west = west, head.north = north, head.east = east;
  head.columns = columns, head.rows = rows;
  head.crs = {6668, "JGD2011"};
  return head;
}

struct SnapCase {
  const char* what;
  TileHead head;
  double cell_x, cell_y, west, north;   // expected, exactly
};

TEST(GridGeometry, SnapsToProductCellsAndGridEdges) {
  const SnapCase cases[] = {
      {"10 m", Head(35.666666667, 139.75, 35.75, 139.875, 1125, 750), 1.0 / 9000, 1.0 / 9000,
       1257750.0 / 9000, 321750.0 / 9000},
      {"5 m", Head(35.708333333, 139.5, 35.716666667, 139.5125, 225, 150), 1.0 / 18000,
       1.0 / 18000, 2511000.0 / 18000, 642900.0 / 18000},
      {"1 m", Head(35.708333333, 139.5, 35.716666667, 139.5125, 1125, 750), 1.0 / 90000,
       1.0 / 90000, 12555000.0 / 90000, 3214500.0 / 90000},
      {"spans 1.7e-9 off still snap",
       Head(35.708333332, 139.4999999992, 35.716666667, 139.5125000007, 225, 150), 1.0 / 18000,
       1.0 / 18000, 2511000.0 / 18000, 642900.0 / 18000},
      {"edges 1.5e-9 off stay",
       Head(35.7083333345, 139.5000000015, 35.7166666685, 139.5125000015, 225, 150),
       1.0 / 18000, 1.0 / 18000, 139.5000000015, 35.7166666685},
      {"no product size", Head(35.7, 139.5, 35.71, 139.5125, 100, 100),
       (139.5125 - 139.5) / 100, (35.71 - 35.7) / 100, 139.5, 35.71},
      {"x span 3e-9 off: x as read",
       Head(35.708333333, 139.5000000005, 35.716666667, 139.5125000035, 225, 150),
       (139.5125000035 - 139.5000000005) / 225, 1.0 / 18000, 139.5000000005, 642900.0 / 18000},
  };
  for (const SnapCase& c : cases) {
    SCOPED_TRACE(c.what);
    const Geometry geometry = GeometryOf(c.head);
    EXPECT_EQ(geometry.cell_x, c.cell_x);
    EXPECT_EQ(geometry.cell_y, c.cell_y);
    EXPECT_EQ(geometry.west, c.west);
    EXPECT_EQ(geometry.north, c.north);
    EXPECT_EQ(geometry.columns, c.head.columns);
    EXPECT_EQ(geometry.rows, c.head.rows);
    EXPECT_EQ(geometry.crs.epsg, 6668);
  }
}

TEST(GridGeometry, RefusesAnEnvelopeWithoutCells) {
  EXPECT_THROW(GeometryOf(Head(35.7, 139.5, 35.7, 139.6, 10, 10)), TileError);
  EXPECT_THROW(GeometryOf(Head(35.7, 139.6, 35.8, 139.5, 10, 10)), TileError);
  EXPECT_THROW(GeometryOf(Head(35.7, 139.5, 35.8, 139.6, 0, 10)), TileError);
}

}  // namespace
}  // namespace tolvex::cli
