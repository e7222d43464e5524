// tolvex-make-tile: writes a synthetic elevation tile (47 header lines, 750 x
// 1125 "label,value" entries, closing tags) for the tests, the demo and the
// benchmark. The output depends only on the options and the seed.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace tolvex::tools {
namespace {

constexpr int kRows = 750;
constexpr int kColumns = 1125;

// Code page 932 labels of a tile's entries.
const char kLandSurface[] = "\x92\x6e\x95\x5c\x96\xca";    // 地表面
const char kTopSurface[] = "\x95\x5c\x91\x77\x96\xca";     // 表層面
const char kSeaSurface[] = "\x8a\x43\x90\x85\x96\xca";     // 海水面
const char kInlandWater[] = "\x93\xe0\x90\x85\x96\xca";    // 内水面
const char kNoData[] = "\x83\x66\x81\x5b\x83\x5e\x82\xc8\x82\xb5";  // データなし

struct Options {
  std::string output;
  uint64_t seed = 1;
  std::string lower = "35.666666667 139.75";
  std::string upper = "35.75 139.875";
  std::string lower_line;  // replaces the whole lowerCorner line when set
  std::string upper_line;
  std::string line_end = "\r\n";
  bool end_of_file_mark = false;
  bool closing_tags = true;
  long entries = static_cast<long>(kRows) * kColumns;
  std::map<long, std::string> values;  // cell index -> value text
  std::map<long, std::string> labels;
  std::map<long, std::string> extras;  // cell index -> text of a third field
};

void Usage() {
  std::fputs(
      "usage: tolvex-make-tile [options] OUTPUT\n"
      "  --seed N               terrain and labels (default 1)\n"
      "  --lower 'LAT LON'      south-west corner text (default 35.666666667 139.75)\n"
      "  --upper 'LAT LON'      north-east corner text (default 35.75 139.875)\n"
      "  --lower-line TEXT      the whole lowerCorner header line\n"
      "  --upper-line TEXT      the whole upperCorner header line\n"
      "  --ends crlf|cr|lf      line ends (default crlf)\n"
      "  --eof                  end the file with the byte 0x1A\n"
      "  --entries N            write only the first N entries (default 843750)\n"
      "  --no-closing           end the file after the entries (a cut-off tile)\n"
      "  --set ROW,COL=TEXT     value text of one cell (1-based)\n"
      "  --label ROW,COL=TEXT   label of one cell\n"
      "  --extra ROW,COL=TEXT   a third field after the value of one cell\n",
      stderr);
  std::exit(2);
}

// "ROW,COL=TEXT" -> cell index (row-major from the north-west corner) and text.
void ParseCell(const char* argument, std::map<long, std::string>* into) {
  char* end = nullptr;
  long row = std::strtol(argument, &end, 10);
  if (*end != ',') Usage();
  long column = std::strtol(end + 1, &end, 10);
  if (*end != '=' || row < 1 || row > kRows || column < 1 || column > kColumns) Usage();
  (*into)[(row - 1) * kColumns + (column - 1)] = end + 1;
}

Options ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    std::string name = argv[i];
    auto next = [&]() -> const char* {
      if (i + 1 >= argc) Usage();
      return argv[++i];
    };
    if (name == "--seed") {
      options.seed = std::strtoull(next(), nullptr, 10);
    } else if (name == "--lower") {
      options.lower = next();
    } else if (name == "--upper") {
      options.upper = next();
    } else if (name == "--lower-line") {
      options.lower_line = next();
    } else if (name == "--upper-line") {
      options.upper_line = next();
    } else if (name == "--ends") {
      std::string ends = next();
      if (ends == "crlf") options.line_end = "\r\n";
      else if (ends == "cr") options.line_end = "\r";
      else if (ends == "lf") options.line_end = "\n";
      else Usage();
    } else if (name == "--eof") {
      options.end_of_file_mark = true;
    } else if (name == "--entries") {
      options.entries = std::strtol(next(), nullptr, 10);
    } else if (name == "--no-closing") {
      options.closing_tags = false;
    } else if (name == "--set") {
      ParseCell(next(), &options.values);
    } else if (name == "--label") {
      ParseCell(next(), &options.labels);
    } else if (name == "--extra") {
      ParseCell(next(), &options.extras);
    } else if (name.size() > 1 && name[0] == '-') {
      Usage();
    } else if (options.output.empty()) {
      options.output = name;
    } else {
      Usage();
    }
  }
  if (options.output.empty()) Usage();
  return options;
}

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
int64_t TerrainCentimetres(uint64_t seed, int row, int column) {
  double phase = static_cast<double>(seed % 1000) * 0.37;
  double x = column / 1125.0, y = row / 750.0;
  double height = 1400.0 * (x + 0.6 * (1.0 - y)) - 700.0 +
                  350.0 * std::sin(9.0 * x + phase) * std::cos(7.0 * y - phase) +
                  120.0 * std::sin(31.0 * x * y + 2.0 * phase);
  uint64_t noise = Mix(seed * 0x100000001B3ULL + static_cast<uint64_t>(row) * 4099 +
                       static_cast<uint64_t>(column));
  return static_cast<int64_t>(std::llround(height * 100.0)) +
         static_cast<int64_t>(noise % 97) - 48;
}

// 12345 -> "123.45", 70 -> "0.7", 1200 -> "12.", -370 -> "-3.7": the tiles
// drop trailing zeros of the fraction but keep the point.
std::string ValueText(int64_t centimetres) {
  char text[32];
  uint64_t magnitude = static_cast<uint64_t>(centimetres < 0 ? -centimetres : centimetres);
  std::snprintf(text, sizeof text, "%s%llu.%02llu", centimetres < 0 ? "-" : "",
                static_cast<unsigned long long>(magnitude / 100),
                static_cast<unsigned long long>(magnitude % 100));
  std::string result = text;
  while (result.back() == '0') result.pop_back();
  return result;
}

struct Entry {
  std::string label;
  std::string value;
};

Entry MakeEntry(uint64_t seed, int row, int column) {
  uint64_t pick = Mix(seed ^ (static_cast<uint64_t>(row) << 32 | static_cast<uint64_t>(column)));
  if (pick % 4001 == 0) return {kNoData, "-9999."};
  int64_t height = TerrainCentimetres(seed, row, column);
  if (height < 0) return {kSeaSurface, "-9999."};
  // A lake on the plain: its surface is level.
  double dx = (column - 700) / 90.0, dy = (row - 420) / 60.0;
  if (dx * dx + dy * dy < 1.0) return {kInlandWater, ValueText(41230)};
  if (pick % 7 == 0) return {kTopSurface, ValueText(height + 850)};
  return {kLandSurface, ValueText(height)};
}

std::vector<std::string> HeaderLines(const Options& options) {
  std::string lower = options.lower_line.empty()
                          ? "<gml:lowerCorner>" + options.lower + "</gml:lowerCorner>"
                          : options.lower_line;
  std::string upper = options.upper_line.empty()
                          ? "<gml:upperCorner>" + options.upper + "</gml:upperCorner>"
                          : options.upper_line;
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
      "<gml:Envelope srsName=\"EPSG:6668\">",
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

std::string Lookup(const std::map<long, std::string>& table, long cell,
                   const std::string& otherwise) {
  auto found = table.find(cell);
  return found == table.end() ? otherwise : found->second;
}

int Run(const Options& options) {
  std::vector<std::string> header = HeaderLines(options);
  if (header.size() != 47) {
    std::fprintf(stderr, "tolvex-make-tile: header has %zu lines\n", header.size());
    return 1;
  }
  std::string text;
  text.reserve(16u << 20);
  for (const std::string& line : header) text += line + options.line_end;
  long total = static_cast<long>(kRows) * kColumns;
  for (long cell = 0; cell < total && cell < options.entries; ++cell) {
    int row = static_cast<int>(cell / kColumns) + 1;
    int column = static_cast<int>(cell % kColumns) + 1;
    Entry entry = MakeEntry(options.seed, row, column);
    text += Lookup(options.labels, cell, entry.label);
    text += ',';
    text += Lookup(options.values, cell, entry.value);
    auto extra = options.extras.find(cell);
    if (extra != options.extras.end()) text += "," + extra->second;
    text += options.line_end;
  }
  if (options.closing_tags) {
    for (const char* line : kClosingLines) text += std::string(line) + options.line_end;
  }
  if (options.end_of_file_mark) text += '\x1A';

  std::FILE* file = std::fopen(options.output.c_str(), "wb");
  if (file == nullptr) {
    std::perror(options.output.c_str());
    return 1;
  }
  bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  if (std::fclose(file) != 0 || !written) {
    std::perror(options.output.c_str());
    return 1;
  }
  return 0;
}

}  // namespace
}  // namespace tolvex::tools

int main(int argc, char** argv) {
  return tolvex::tools::Run(tolvex::tools::ParseOptions(argc, argv));
}
