// The options of tolvex-make-tile as one record, shared by the writers of the
// two tile layouts, and the table of products a tile of today's layout can be.
#pragma once
#include <cstdint>
#include <map>
#include <string>

namespace tolvex::tools {

// old: the layout the first tests were written against (47 header lines,
// Shift_JIS, CR LF). today: the layout of current downloads (TAB indented,
// UTF-8 by default, coverageFunction after the tuple list).
enum class Layout : uint8_t { kOld, kToday };
enum class Encoding : uint8_t { kUtf8, kUtf8WithMark, kShiftJis };

// A product fixes the grid and the cell size; a tile covers one mesh of the
// national grid: 5' x 7.5' (second level) for the 10 m products, 30" x 45"
// (third level) for the 5 m and 1 m ones. cells_per_degree is exact: a cell
// is 0.4", 0.2" or 0.04" on both axes.
struct Product {
  const char* name;
  int columns;
  int rows;
  int cells_per_degree;
  const char* metres;  // the cell size as the <type> element names it
};

inline constexpr Product kProducts[] = {
    {"DEM10A", 1125, 750, 9000, "10m"}, {"DEM10B", 1125, 750, 9000, "10m"},
    {"DEM5A", 225, 150, 18000, "5m"},   {"DEM5B", 225, 150, 18000, "5m"},
    {"DEM5C", 225, 150, 18000, "5m"},   {"DEM1A", 1125, 750, 90000, "1m"},
};

// The old layout's grid: that of the 10 m products.
inline constexpr const Product& kOldProduct = kProducts[0];

// Text of single cells, keyed by the cell index (row-major from the
// north-west corner, 0-based) in the layout's grid.
using CellTexts = std::map<long, std::string>;

struct TileOptions {
  Layout layout = Layout::kOld;
  const Product* product = &kOldProduct;
  Encoding encoding = Encoding::kUtf8;
  uint64_t seed = 1;
  std::string srs_name;   // empty: the layout's own
  std::string lower = "35.666666667 139.75";
  std::string upper;      // empty: the old default, or derived from lower
  std::string lower_line;  // replaces the whole lowerCorner line when set
  std::string upper_line;
  std::string line_end;   // empty: the layout's own
  bool end_of_file_mark = false;
  bool closing_tags = true;
  long entries = 1125L * 750;  // old layout: entries written from the first cell
  int start_x = 0;        // today's layout: gml:startPoint
  int start_y = 0;
  long tuples = -1;       // today's layout: tuples written; -1 for all from the start
  bool vis = false;
  std::string sequence_rule = "+x-y";
  CellTexts values;
  CellTexts labels;
  CellTexts extras;       // text of a third field after the value
};

}  // namespace tolvex::tools
