// The geometry of a tile: exact product cell sizes and edges recovered from
// 9-decimal corners, and everything else kept as read.
#include "convert/cli/grid_geometry.h"

#include <gtest/gtest.h>

#include <array>

namespace tolvex::cli {
namespace {

TileHead Head(double south, double west, double north, double east, int columns, int rows) {
  TileHead head;
  head.south = south, head.west = west, head.north = north, head.east = east;
  head.columns = columns, head.rows = rows, head.crs = {6668, "JGD2011"};
  return head;
}

// An envelope without cells (empty, inverted, no columns or rows) is refused.
TEST(GridGeometry, SnapsToProductCellsAndGridEdges) {
  const std::pair<TileHead, std::array<double, 4>> cases[] = {   // cell x, y, west, north
      {Head(35.666666667, 139.75, 35.75, 139.875, 1125, 750),    // 10 m
       {1.0 / 9000, 1.0 / 9000, 139.75, 321750.0 / 9000}},
      {Head(35.708333333, 139.5, 35.716666667, 139.5125, 225, 150),   // 5 m
       {1.0 / 18000, 1.0 / 18000, 139.5, 642900.0 / 18000}},
      {Head(35.708333333, 139.5, 35.716666667, 139.5125, 1125, 750),  // 1 m
       {1.0 / 90000, 1.0 / 90000, 139.5, 3214500.0 / 90000}},
      {Head(35.708333332, 139.4999999992, 35.716666667, 139.5125000007, 225, 150),
       {1.0 / 18000, 1.0 / 18000, 139.5, 642900.0 / 18000}},   // spans 1.7e-9 off still snap
      {Head(35.7083333345, 139.5000000015, 35.7166666685, 139.5125000015, 225, 150),
       {1.0 / 18000, 1.0 / 18000, 139.5000000015, 35.7166666685}},   // edges 1.5e-9 off stay
      // x span 3e-9 off: x as read, y snapped
      {Head(35.708333333, 139.5000000005, 35.716666667, 139.5125000035, 225, 150),
       {(139.5125000035 - 139.5000000005) / 225, 1.0 / 18000, 139.5000000005, 642900.0 / 18000}},
  };
  for (const auto& [head, expected] : cases) {
    const Geometry geometry = GeometryOf(head);
    EXPECT_EQ((std::array{geometry.cell_x, geometry.cell_y, geometry.west, geometry.north}),
              expected) << head.columns << " x " << head.rows << " from " << head.west;
    EXPECT_EQ((std::array{geometry.columns, geometry.rows, geometry.crs.epsg}),
              (std::array{head.columns, head.rows, 6668}));
  }
  for (const TileHead& head :
       {Head(35.7, 139.5, 35.7, 139.6, 10, 10), Head(35.7, 139.6, 35.8, 139.5, 10, 10),
        Head(35.7, 139.5, 35.8, 139.6, 0, 10), Head(35.7, 139.5, 35.8, 139.6, 10, 0)})
    EXPECT_THROW(GeometryOf(head), TileError);
}

}  // namespace
}  // namespace tolvex::cli
