// The seeded synthetic terrain of the generated tiles.
#include "tile_terrain.h"

#include <cmath>
#include <cstdio>

namespace tolvex::tools {
namespace {

// splitmix64: a small, fully specified generator, so a seed gives the same
// tile on every machine and library.
uint64_t Mix(uint64_t value) {
  value += 0x9E3779B97F4A7C15ULL;
  value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ULL;
  value = (value ^ (value >> 27)) * 0x94D049BB133111EBULL;
  return value ^ (value >> 31);
}

// Elevation in centimetres: a few smooth hills over a coast, with noise.
// The sea lies in the south-west; the highest ground stays below 2,600 m so
// that the tile also converts in tenths of a metre.
int64_t TerrainCentimetres(uint64_t seed, int columns, int rows, int row, int column) {
  double phase = static_cast<double>(seed % 1000) * 0.37;
  double x = column / static_cast<double>(columns), y = row / static_cast<double>(rows);
  double height = 1400.0 * (x + 0.6 * (1.0 - y)) - 700.0 +
                  350.0 * std::sin(9.0 * x + phase) * std::cos(7.0 * y - phase) +
                  120.0 * std::sin(31.0 * x * y + 2.0 * phase);
  uint64_t noise = Mix(seed * 0x100000001B3ULL + static_cast<uint64_t>(row) * 4099 +
                       static_cast<uint64_t>(column));
  return static_cast<int64_t>(std::llround(height * 100.0)) +
         static_cast<int64_t>(noise % 97) - 48;
}

}  // namespace

TerrainCell TerrainAt(uint64_t seed, int columns, int rows, int row, int column) {
  uint64_t pick = Mix(seed ^ (static_cast<uint64_t>(row) << 32 | static_cast<uint64_t>(column)));
  if (pick % 4001 == 0) return {Surface::kNoData, 0};
  int64_t height = TerrainCentimetres(seed, columns, rows, row, column);
  if (height < 0) return {Surface::kSea, 0};
  // A level lake on the plain, centred on column 700 and row 420 of the
  // 1125 x 750 grid. The fractions are written so that this grid gets
  // exactly those numbers (700.0, 90.0, ...), as the tests' tiles always had.
  double dx = (column - columns * 700.0 / 1125.0) / (columns * 90.0 / 1125.0);
  double dy = (row - rows * 420.0 / 750.0) / (rows * 60.0 / 750.0);
  if (dx * dx + dy * dy < 1.0) return {Surface::kInlandWater, 41230};
  if (pick % 7 == 0) return {Surface::kTop, height + 850};
  return {Surface::kLand, height};
}

std::string CentimetresText(int64_t centimetres) {
  char text[32];
  const uint64_t magnitude = static_cast<uint64_t>(centimetres < 0 ? -centimetres : centimetres);
  std::snprintf(text, sizeof text, "%s%llu.%02llu", centimetres < 0 ? "-" : "",
                static_cast<unsigned long long>(magnitude / 100),
                static_cast<unsigned long long>(magnitude % 100));
  return text;
}

}  // namespace tolvex::tools
