// Today's tile layout: the header with its mesh and envelope, the tuples from
// the start point, and the closing part, in UTF-8 or Shift_JIS.
#include "today_layout.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string_view>

#include "tile_terrain.h"

namespace tolvex::tools {
namespace {

// ============================================================================
// Words in the tile's encoding
// ============================================================================

// The non-ASCII words a tile holds, in UTF-8 and in code page 932. The code
// page 932 forms hold 0x5C (a backslash in ASCII) as a second byte, as the
// real files do.
struct Word {
  std::string_view utf8;
  std::string_view shift_jis;
};

constexpr Word kLandSurface{"地表面", "\x92\x6e\x95\x5c\x96\xca"};
constexpr Word kTopSurface{"表層面", "\x95\x5c\x91\x77\x96\xca"};
constexpr Word kSeaSurface{"海水面", "\x8a\x43\x90\x85\x96\xca"};
constexpr Word kInlandWater{"内水面", "\x93\xe0\x90\x85\x96\xca"};
constexpr Word kNoData{"データなし", "\x83\x66\x81\x5b\x83\x5e\x82\xc8\x82\xb5"};
constexpr Word kOther{"その他", "\x82\xbb\x82\xcc\x91\xbc"};
constexpr Word kPointsUnit{"DEM構成点", "DEM\x8d\x5c\x90\xac\x93\x5f"};
constexpr Word kShown{"表示", "\x95\x5c\x8e\xa6"};
constexpr Word kMeshElevation{"メッシュ（標高）",
                              "\x83\x81\x83\x62\x83\x56\x83\x85\x81\x69\x95\x57\x8d\x82\x81\x6a"};

constexpr const Word* kLabelWords[] = {&kLandSurface, &kTopSurface, &kSeaSurface,
                                       &kInlandWater, &kNoData,     &kOther};

std::string_view Encoded(const Word& word, Encoding encoding) {
  return encoding == Encoding::kShiftJis ? word.shift_jis : word.utf8;
}

const Word& SurfaceWord(Surface surface) {
  switch (surface) {
    case Surface::kTop: return kTopSurface;
    case Surface::kSea: return kSeaSurface;
    case Surface::kInlandWater: return kInlandWater;
    case Surface::kNoData: return kNoData;
    case Surface::kLand: break;
  }
  return kLandSurface;
}

// A label given on the command line: a known word in the tile's encoding,
// anything else byte for byte (so that a test can write broken labels).
std::string_view LabelText(const std::string& given, Encoding encoding) {
  for (const Word* word : kLabelWords) {
    if (given == word->utf8) return Encoded(*word, encoding);
  }
  return given;
}

// ============================================================================
// The mesh and its envelope
// ============================================================================

// A mesh as whole steps of its own size from latitude 0 and longitude 0:
// 5' x 7.5' (12 and 8 per degree) or 30" x 45" (120 and 80 per degree).
struct Mesh {
  long south;
  long west;
  long per_degree_latitude;
  long per_degree_longitude;
};

// Whole meshes from 0 to `degrees`. A corner written with nine decimals lies
// up to 5e-10 degrees beside the mesh line; the allowance (far below one
// mesh) keeps it in its own mesh.
long MeshSteps(double degrees, long per_degree) {
  constexpr double kAllowance = 1e-6;
  return static_cast<long>(std::floor(degrees * static_cast<double>(per_degree) + kAllowance));
}

Mesh MeshHolding(const std::string& lower, const Product& product) {
  const char* text = lower.c_str();
  char* end = nullptr;
  double latitude = std::strtod(text, &end);
  bool two_numbers = end != text;
  text = end;
  double longitude = std::strtod(text, &end);
  two_numbers = two_numbers && end != text;
  if (!two_numbers || !(latitude >= 0 && latitude < 66) ||
      !(longitude >= 100 && longitude < 180)) {
    throw std::invalid_argument("lower corner is not 'LAT LON' of a point of Japan: " + lower);
  }
  Mesh mesh{0, 0, product.cells_per_degree / product.rows,
            product.cells_per_degree / product.columns};
  mesh.south = MeshSteps(latitude, mesh.per_degree_latitude);
  mesh.west = MeshSteps(longitude, mesh.per_degree_longitude);
  return mesh;
}

// Mesh codes: first level (40' x 1 degree) "PPUU", the latitude times 1.5
// and the longitude less 100; second level adds the row and column of 8 x 8
// ("PPUUQV", 533946); third level those of 10 x 10 within it ("PPUUQVRW",
// 53394555).
long MeshCode(const Mesh& mesh) {
  long per_first_latitude = mesh.per_degree_latitude * 2 / 3;
  long south = mesh.south, west = mesh.west - 100 * mesh.per_degree_longitude;
  long first = south / per_first_latitude * 100 + west / mesh.per_degree_longitude;
  long row = south % per_first_latitude, column = west % mesh.per_degree_longitude;
  if (per_first_latitude == 8) return first * 100 + row * 10 + column;
  return (first * 100 + row / 10 * 10 + column / 10) * 100 + row % 10 * 10 + column % 10;
}

// steps / per_degree degrees with at most nine decimals, trailing zeros and a
// bare point dropped: (4285, 120) -> "35.708333333", (11176, 80) -> "139.7".
std::string DegreesText(long steps, long per_degree) {
  constexpr long long kNano = 1'000'000'000;
  long long nano = (2 * steps * kNano + per_degree) / (2 * per_degree);  // rounded
  char text[32];
  std::snprintf(text, sizeof text, "%lld.%09lld", nano / kNano, nano % kNano);
  std::string result = text;
  while (result.back() == '0') result.pop_back();
  if (result.back() == '.') result.pop_back();
  return result;
}

std::string CornerText(const Mesh& mesh, long south, long west) {
  return DegreesText(south, mesh.per_degree_latitude) + " " +
         DegreesText(west, mesh.per_degree_longitude);
}

// ============================================================================
// The document
// ============================================================================

struct Document {
  std::string text;
  std::string_view line_end;

  void Line(int depth, std::string_view line) {
    text.append(static_cast<size_t>(depth), '\t');
    text += line;
    text += line_end;
  }
};


void WriteHead(const TileOptions& options, Document& document) {
  const Product& product = *options.product;
  const Encoding encoding = options.encoding;
  const Mesh mesh = MeshHolding(options.lower, product);
  const std::string mesh_code = std::to_string(MeshCode(mesh));
  const std::string srs_name = options.srs_name.empty() ? "fguuid:jgd2011.bl" : options.srs_name;
  const std::string upper = options.upper.empty()
                                ? CornerText(mesh, mesh.south + 1, mesh.west + 1)
                                : options.upper;

  if (encoding == Encoding::kUtf8WithMark) document.text += "\xEF\xBB\xBF";
  document.Line(0, encoding == Encoding::kShiftJis
                       ? "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>"
                       : "<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
  // The two blanks after schemaLocation are as the real files have them.
  document.Line(0,
                "<Dataset xsi:schemaLocation=\"http://example.org/schema/dem dem.xsd\"  "
                "xmlns:gml=\"http://www.opengis.net/gml/3.2\" "
                "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
                "xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
                "xmlns=\"http://example.org/schema/dem\" gml:id=\"Dataset1\">");
  document.Line(0, "<description xlink:href=\"dem-type.xml\" xlink:type=\"simple\"/>");
  document.Line(0, "<DEM gml:id=\"DEM001\">");
  document.Line(1, "<fid>fgoid:SYNTH-" + mesh_code + "</fid>");
  document.Line(1, "<lfSpanFr gml:id=\"DEM001-1\">");
  document.Line(2, "<gml:timePosition>2016-10-01</gml:timePosition>");
  document.Line(1, "</lfSpanFr>");
  document.Line(1, "<devDate gml:id=\"DEM001-2\">");
  document.Line(2, "<gml:timePosition>2016-10-01</gml:timePosition>");
  document.Line(1, "</devDate>");
  document.Line(1, "<orgGILvl>0</orgGILvl>");
  document.Line(1, "<orgMDId>SYNTH-0001</orgMDId>");
  if (options.vis) document.Line(1, "<vis>" + std::string(Encoded(kShown, encoding)) + "</vis>");
  document.Line(1, "<type>" + std::string(product.metres) +
                       std::string(Encoded(kMeshElevation, encoding)) + "</type>");
  document.Line(1, "<mesh>" + mesh_code + "</mesh>");
  document.Line(1, "<coverage gml:id=\"DEM001-3\">");
  document.Line(2, "<gml:boundedBy>");
  document.Line(3, "<gml:Envelope srsName=\"" + srs_name + "\">");
  if (options.lower_line.empty()) {
    document.Line(4, "<gml:lowerCorner>" + CornerText(mesh, mesh.south, mesh.west) +
                         "</gml:lowerCorner>");
  } else {
    document.Line(0, options.lower_line);
  }
  if (options.upper_line.empty()) {
    document.Line(4, "<gml:upperCorner>" + upper + "</gml:upperCorner>");
  } else {
    document.Line(0, options.upper_line);
  }
  document.Line(3, "</gml:Envelope>");
  document.Line(2, "</gml:boundedBy>");
  document.Line(2, "<gml:gridDomain>");
  document.Line(3, "<gml:Grid dimension=\"2\" gml:id=\"DEM001-4\">");
  document.Line(4, "<gml:limits>");
  document.Line(5, "<gml:GridEnvelope>");
  document.Line(6, "<gml:low>0 0</gml:low>");
  document.Line(6, "<gml:high>" + std::to_string(product.columns - 1) + " " +
                       std::to_string(product.rows - 1) + "</gml:high>");
  document.Line(5, "</gml:GridEnvelope>");
  document.Line(4, "</gml:limits>");
  document.Line(4, "<gml:axisLabels>x y</gml:axisLabels>");
  document.Line(3, "</gml:Grid>");
  document.Line(2, "</gml:gridDomain>");
  document.Line(2, "<gml:rangeSet>");
  document.Line(3, "<gml:DataBlock>");
  document.Line(4, "<gml:rangeParameters>");
  document.Line(5, "<gml:QuantityList uom=\"" + std::string(Encoded(kPointsUnit, encoding)) +
                       "\"/>");
  document.Line(4, "</gml:rangeParameters>");
  document.Line(4, "<gml:tupleList>");
}

void WriteTuples(const TileOptions& options, Document& document) {
  const Product& product = *options.product;
  const long first = static_cast<long>(options.start_y) * product.columns + options.start_x;
  const long cells = static_cast<long>(product.rows) * product.columns;
  const long count = options.tuples >= 0 ? options.tuples : cells - first;
  for (long cell = first; cell < first + count; ++cell) {
    const int row = static_cast<int>(cell / product.columns) + 1;
    const int column = static_cast<int>(cell % product.columns) + 1;
    const TerrainCell terrain = TerrainAt(options.seed, product.columns, product.rows, row, column);
    auto label = options.labels.find(cell);
    document.text += label == options.labels.end()
                         ? Encoded(SurfaceWord(terrain.surface), options.encoding)
                         : LabelText(label->second, options.encoding);
    document.text += ',';
    auto value = options.values.find(cell);
    if (value != options.values.end()) {
      document.text += value->second;
    } else if (terrain.surface == Surface::kSea || terrain.surface == Surface::kNoData) {
      document.text += "-9999.";
    } else {
      document.text += CentimetresText(terrain.centimetres);
    }
    auto extra = options.extras.find(cell);
    if (extra != options.extras.end()) document.text += "," + extra->second;
    document.text += document.line_end;
  }
}

void WriteTail(const TileOptions& options, Document& document) {
  document.Line(0, "</gml:tupleList>");
  document.Line(3, "</gml:DataBlock>");
  document.Line(2, "</gml:rangeSet>");
  document.Line(2, "<gml:coverageFunction>");
  document.Line(3, "<gml:GridFunction>");
  document.Line(4, "<gml:sequenceRule order=\"" + options.sequence_rule +
                       "\">Linear</gml:sequenceRule>");
  document.Line(4, "<gml:startPoint>" + std::to_string(options.start_x) + " " +
                       std::to_string(options.start_y) + "</gml:startPoint>");
  document.Line(3, "</gml:GridFunction>");
  document.Line(2, "</gml:coverageFunction>");
  document.Line(1, "</coverage>");
  document.Line(0, "</DEM>");
  document.Line(0, "</Dataset>");
}

}  // namespace

std::string TodayLayoutText(const TileOptions& options) {
  Document document{{}, options.line_end.empty() ? std::string_view("\n") : options.line_end};
  document.text.reserve(16u << 20);
  WriteHead(options, document);
  WriteTuples(options, document);
  if (options.closing_tags) WriteTail(options, document);
  if (options.end_of_file_mark) document.text += '\x1A';
  return document.text;
}

}  // namespace tolvex::tools
