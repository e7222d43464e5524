// The geometry of a tile (see grid_geometry.h).
#include "convert/cli/grid_geometry.h"

#include <charconv>
#include <cmath>
#include <stdexcept>

namespace tolvex::cli {
namespace {

// A corner written with 9 decimals is off by up to 5e-10 degrees, so a span
// between two corners by up to 1e-9: twice that still separates the three
// products, whose cells differ by more than 1e-5 degrees.
constexpr double kSpanTolerance = 2e-9;
constexpr double kEdgeTolerance = 1e-9;

struct Axis {
  double edge;   // west or north
  double cell;
};

// The product size (as cells per degree) whose cells fill `span`, or 0.
int ExactCellsPerDegree(double span, int cells) {
  for (int per_degree : kCellsPerDegree)
    if (std::fabs(span - double(cells) / per_degree) <= kSpanTolerance) return per_degree;
  return 0;
}

// Dividing the whole step count k by N rounds once, so the edge is the
// double nearest k/N: the same double in every tile that shares the edge.
Axis SnappedAxis(double edge, double span, int cells) {
  const int per_degree = ExactCellsPerDegree(span, cells);
  if (per_degree == 0) return {edge, span / cells};
  const double snapped = std::round(edge * per_degree) / per_degree;
  return {std::fabs(snapped - edge) <= kEdgeTolerance ? snapped : edge, 1.0 / per_degree};
}

}  // namespace

Geometry GeometryOf(const TileHead& head) {
  if (head.columns <= 0 || head.rows <= 0 || !(head.east > head.west) ||
      !(head.north > head.south))
    throw TileError(0, "the envelope holds no cells: " + std::to_string(head.columns) + " x " +
                           std::to_string(head.rows) + " cells from " +
                           CoordinateText(head.south) + " " + CoordinateText(head.west) +
                           " to " + CoordinateText(head.north) + " " +
                           CoordinateText(head.east));
  const Axis x = SnappedAxis(head.west, head.east - head.west, head.columns);
  const Axis y = SnappedAxis(head.north, head.north - head.south, head.rows);
  return {x.edge, y.edge, x.cell, y.cell, head.columns, head.rows, head.crs};
}

void RequireCellsOfGeometry(const Tile& tile, const Geometry& geometry) {
  const size_t cells = size_t(geometry.columns) * size_t(geometry.rows);
  const bool is_float = tile.unit == Unit::kFloat;
  const size_t held = is_float ? tile.cells32.size() : tile.cells16.size();
  if (geometry.columns <= 0 || geometry.rows <= 0 || held != cells)
    throw std::invalid_argument("the tile holds " + std::to_string(held) + " cells of its unit, " +
                                std::to_string(geometry.columns) + " x " +
                                std::to_string(geometry.rows) + " expected");
}

std::string CoordinateText(double value) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value,
                                    std::chars_format::general, 17);
  return std::string(text, result.ptr);
}

}  // namespace tolvex::cli
