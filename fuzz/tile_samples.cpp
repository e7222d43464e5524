// Sample tiles and the properties of a read tile (see tile_samples.h).
#include "fuzz/tile_samples.h"

#include <algorithm>
#include <cstring>

#include "convert/elevation_cell.h"
#include "fuzz/fuzz_support.h"
#include "tools/today_layout.h"

namespace tolvex::fuzz {
namespace {

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  FUZZ_CHECK(at != std::string::npos);
  return text.replace(at, from.size(), to);
}

template <typename Cell>
bool SameCells(const std::vector<Cell>& a, const std::vector<Cell>& b) {
  return a.size() == b.size() &&
         (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(Cell)) == 0);
}

template <typename Cell>
void CheckNoDataAround(const std::vector<Cell>& cells, uint64_t first, uint64_t tuples) {
  for (uint64_t i = 0; i < cells.size(); ++i)
    if (i < first || i >= first + tuples) FUZZ_CHECK(cells[i] == convert::kNoData);
}

}  // namespace

std::vector<std::string> SampleTiles() {
  tools::TileOptions options;
  options.layout = tools::Layout::kToday;
  options.product = &tools::kProducts[2];  // DEM5A: 225 x 150
  options.tuples = 5;
  std::vector<std::string> tiles;
  for (const auto encoding :
       {tools::Encoding::kUtf8, tools::Encoding::kUtf8WithMark, tools::Encoding::kShiftJis}) {
    options.encoding = encoding;
    options.start_x = 0;
    options.start_y = 0;
    tiles.push_back(tools::TodayLayoutText(options));
    options.start_x = 220;
    options.start_y = 149;
    tiles.push_back(tools::TodayLayoutText(options));
  }
  options.encoding = tools::Encoding::kUtf8;
  options.start_x = options.start_y = 0;
  options.tuples = 12;
  options.line_end = "\r\n";
  options.values = {{3, "-9999."}, {7, "1.5E2"}};
  const std::string small = Replaced(tools::TodayLayoutText(options), "224 149", "3 2");
  tiles.push_back(small);
  tiles.push_back(Replaced(small, "<gml:tupleList>", "<gml:tupleList><!-- a -->"));
  return tiles;
}

TileRead ReadOrFail(cli::ByteSource& source, const cli::ReadOptions& options) {
  TileRead read;
  try {
    read.tile = cli::ReadTile(source, options);
    read.ok = true;
  } catch (const cli::TileError& error) {
    read.line = error.line();
    read.message = error.what();
  }
  return read;
}

bool SameRead(const TileRead& a, const TileRead& b) {
  if (a.ok != b.ok) return false;
  if (!a.ok) return a.line == b.line && a.message == b.message;
  const cli::TileHead& x = a.tile.head;
  const cli::TileHead& y = b.tile.head;
  return x.srs_name == y.srs_name && x.crs.epsg == y.crs.epsg && x.south == y.south &&
         x.west == y.west && x.north == y.north && x.east == y.east && x.columns == y.columns &&
         x.rows == y.rows && x.start_x == y.start_x && x.start_y == y.start_y &&
         x.tuples == y.tuples && a.tile.unit == b.tile.unit &&
         SameCells(a.tile.cells16, b.tile.cells16) && SameCells(a.tile.cells32, b.tile.cells32);
}

void CheckTile(const cli::Tile& tile, const cli::ReadOptions& options) {
  const cli::TileHead& head = tile.head;
  FUZZ_CHECK(head.crs.epsg == 6668 || head.crs.epsg == 4612 || head.crs.epsg == 4301);
  FUZZ_CHECK(head.south >= 20 && head.north <= 46 && head.west >= 122 && head.east <= 154);
  FUZZ_CHECK(head.south < head.north && head.west < head.east);
  FUZZ_CHECK(head.columns >= 1 && head.rows >= 1);
  const uint64_t cells = uint64_t(head.columns) * uint64_t(head.rows);
  FUZZ_CHECK(cells <= cli::kMaxTileCells);
  FUZZ_CHECK(tile.unit == options.unit);
  if (options.head_only) {
    FUZZ_CHECK(head.tuples == 0 && tile.cells16.empty() && tile.cells32.empty());
    return;
  }
  const bool floats = options.unit == cli::Unit::kFloat;
  FUZZ_CHECK((floats ? tile.cells32.size() : tile.cells16.size()) == cells);
  FUZZ_CHECK((floats ? tile.cells16.empty() : tile.cells32.empty()));
  FUZZ_CHECK(head.start_x < head.columns && head.start_y < head.rows);
  const uint64_t first = uint64_t(head.start_y) * uint64_t(head.columns) + uint64_t(head.start_x);
  FUZZ_CHECK(first + head.tuples <= cells);
  if (floats) {
    CheckNoDataAround(tile.cells32, first, head.tuples);
  } else {
    CheckNoDataAround(tile.cells16, first, head.tuples);
  }
}

}  // namespace tolvex::fuzz
