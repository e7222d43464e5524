// The seeded synthetic terrain both tile layouts write: what lies at a cell
// (land, canopy, sea, a lake, no data) and its elevation. Depends only on the
// seed, the grid size and the cell.
#pragma once
#include <cstdint>
#include <string>

namespace tolvex::tools {

enum class Surface : uint8_t { kLand, kTop, kSea, kInlandWater, kNoData };

// centimetres is meaningful for kLand, kTop and kInlandWater only: the sea
// and cells without data are written as -9999.
struct TerrainCell {
  Surface surface;
  int64_t centimetres;
};

// row and column are 1-based from the north-west corner of a grid of
// `columns` x `rows` cells; the hills, the coast and the lake scale with the
// grid, so every product shows the same landscape. Cells outside the grid
// continue it. Example: with the seed 1 on 1125 x 750, row 750, column 1 (the
// south-west) is kSea, row 1, column 1 is kLand at 34,204 cm.
TerrainCell TerrainAt(uint64_t seed, int columns, int rows, int row, int column);

// A height in centimetres with both decimals, as today's tiles write it:
// 3046 -> "30.46", 70 -> "0.70", -370 -> "-3.70".
std::string CentimetresText(int64_t centimetres);

}  // namespace tolvex::tools
