// The old tile layout, kept byte for byte as the first tests knew it.
#include "old_layout.h"

#include <cstdio>
#include <vector>

#include "tile_terrain.h"

namespace tolvex::tools {
namespace {

// Code page 932 labels of a tile's entries.
const char kLandSurface[] = "\x92\x6e\x95\x5c\x96\xca";    // 地表面
const char kTopSurface[] = "\x95\x5c\x91\x77\x96\xca";     // 表層面
const char kSeaSurface[] = "\x8a\x43\x90\x85\x96\xca";     // 海水面
const char kInlandWater[] = "\x93\xe0\x90\x85\x96\xca";    // 内水面
const char kNoData[] = "\x83\x66\x81\x5b\x83\x5e\x82\xc8\x82\xb5";  // データなし

// 12345 -> "123.45", 70 -> "0.7", 1200 -> "12.", -370 -> "-3.7": the old
// tiles drop trailing zeros of the fraction but keep the point.
std::string ValueText(int64_t centimetres) {
  std::string text = CentimetresText(centimetres);
  while (text.back() == '0') text.pop_back();
  return text;
}

struct Entry {
  std::string label;
  std::string value;
};

Entry MakeEntry(uint64_t seed, int row, int column) {
  TerrainCell cell = TerrainAt(seed, kOldProduct.columns, kOldProduct.rows, row, column);
  switch (cell.surface) {
    case Surface::kNoData: return {kNoData, "-9999."};
    case Surface::kSea: return {kSeaSurface, "-9999."};
    case Surface::kInlandWater: return {kInlandWater, ValueText(cell.centimetres)};
    case Surface::kTop: return {kTopSurface, ValueText(cell.centimetres)};
    case Surface::kLand: break;
  }
  return {kLandSurface, ValueText(cell.centimetres)};
}

std::vector<std::string> HeaderLines(const TileOptions& options) {
  std::string lower = options.lower_line.empty()
                          ? "<gml:lowerCorner>" + options.lower + "</gml:lowerCorner>"
                          : options.lower_line;
  std::string upper_corner = options.upper.empty() ? "35.75 139.875" : options.upper;
  std::string upper = options.upper_line.empty()
                          ? "<gml:upperCorner>" + upper_corner + "</gml:upperCorner>"
                          : options.upper_line;
  std::string srs_name = options.srs_name.empty() ? "EPSG:6668" : options.srs_name;
  std::vector<std::string> lines = {
      "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>",
      "<Dataset xsi:schemaLocation=\"http://example.org/schema/dem dem.xsd\" "
      "xmlns:gml=\"http://www.opengis.net/gml/3.2\" "
      "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
      "xmlns=\"http://example.org/schema/dem\" gml:id=\"Dataset1\">",
      "<description>\x90\x94\x92\x6c\x95\x57\x8d\x82\x83\x82\x83\x66\x83\x8b"
      "</description>",  // 数値標高モデル
      "<DEM gml:id=\"DEM001\">",
      "<surveyed gml:id=\"DEM001-1\">",
      "<gml:timePosition>2016-10-01</gml:timePosition>",
      "</surveyed>",
      "<issued gml:id=\"DEM001-2\">",
      "<gml:timePosition>2016-10-01</gml:timePosition>",
      "</issued>",
      "<level>0</level>",
      "<source>SYNTH-0001</source>",
      "<type>5m\x83\x81\x83\x62\x83\x56\x83\x85\x81\x69\x95\x57\x8d\x82\x81\x6a"
      "</type>",  // 5mメッシュ（標高）
      "<mesh>533945</mesh>",
      "<coverage gml:id=\"DEM001-3\">",
      "<gml:boundedBy>",
      "<gml:Envelope srsName=\"" + srs_name + "\">",
      lower,
      upper,
      "</gml:Envelope>",
      "</gml:boundedBy>",
      "<gml:gridDomain>",
      "<gml:Grid gml:id=\"DEM001-4\" dimension=\"2\">",
      "<gml:limits>",
      "<gml:GridEnvelope>",
      "<gml:low>0 0</gml:low>",
      "<gml:high>1124 749</gml:high>",
      "</gml:GridEnvelope>",
      "</gml:limits>",
      "<gml:axisLabels>x y</gml:axisLabels>",
      "</gml:Grid>",
      "</gml:gridDomain>",
      "<gml:rangeSet>",
      "<gml:DataBlock>",
      "<gml:rangeParameters>",
      "<gml:QuantityList uom=\"DEM\">",
      "</gml:QuantityList>",
      "</gml:rangeParameters>",
      "<gml:valueComponents>",
      "<gml:CompositeValue gml:id=\"DEM001-5\">",
      "<gml:valueComponent>",
      "<gml:Quantity uom=\"m\">0</gml:Quantity>",
      "</gml:valueComponent>",
      "</gml:CompositeValue>",
      "</gml:valueComponents>",
      "<gml:sequence>",
      "<gml:tupleList>",
  };
  return lines;
}

const char* const kClosingLines[] = {
    "</gml:tupleList>",
    "</gml:sequence>",
    "</gml:DataBlock>",
    "</gml:rangeSet>",
    "<gml:coverageFunction>",
    "<gml:GridFunction>",
    "<gml:sequenceRule order=\"+x-y\">Linear</gml:sequenceRule>",
    "<gml:startPoint>0 0</gml:startPoint>",
    "</gml:GridFunction>",
    "</gml:coverageFunction>",
    "</coverage>",
    "</DEM>",
    "</Dataset>",
};

std::string Lookup(const CellTexts& table, long cell, const std::string& otherwise) {
  auto found = table.find(cell);
  return found == table.end() ? otherwise : found->second;
}

}  // namespace

std::string OldLayoutText(const TileOptions& options) {
  const std::string line_end = options.line_end.empty() ? "\r\n" : options.line_end;
  std::string text;
  text.reserve(16u << 20);
  for (const std::string& line : HeaderLines(options)) text += line + line_end;
  const int columns = kOldProduct.columns;
  const long total = static_cast<long>(kOldProduct.rows) * columns;
  for (long cell = 0; cell < total && cell < options.entries; ++cell) {
    int row = static_cast<int>(cell / columns) + 1;
    int column = static_cast<int>(cell % columns) + 1;
    Entry entry = MakeEntry(options.seed, row, column);
    text += Lookup(options.labels, cell, entry.label);
    text += ',';
    text += Lookup(options.values, cell, entry.value);
    auto extra = options.extras.find(cell);
    if (extra != options.extras.end()) text += "," + extra->second;
    text += line_end;
  }
  if (options.closing_tags) {
    for (const char* line : kClosingLines) text += std::string(line) + line_end;
  }
  if (options.end_of_file_mark) text += '\x1A';
  return text;
}

}  // namespace tolvex::tools
