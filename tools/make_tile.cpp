// tolvex-make-tile: writes a synthetic elevation tile for the tests, the demo
// and the benchmark, in the old layout (the default) or today's. The output
// depends only on the options and the seed.
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "old_layout.h"
#include "tile_options.h"
#include "today_layout.h"

namespace tolvex::tools {
namespace {

[[noreturn]] void Usage() {
  std::fputs(
      "usage: tolvex-make-tile [options] OUTPUT\n"
      "  --layout old|today     tile layout (default old: 47 header lines, Shift_JIS,\n"
      "                         1125 x 750 entries; today: TAB indented, as current\n"
      "                         downloads)\n"
      "  --seed N               terrain and labels (default 1)\n"
      "  --srs NAME             srsName (default EPSG:6668, today fguuid:jgd2011.bl)\n"
      "  --lower 'LAT LON'      south-west corner (default 35.666666667 139.75); old:\n"
      "                         the text as given; today: the mesh holding the point\n"
      "  --upper 'LAT LON'      north-east corner text (default 35.75 139.875; today:\n"
      "                         the mesh's)\n"
      "  --lower-line TEXT      the whole lowerCorner line, as given\n"
      "  --upper-line TEXT      the whole upperCorner line, as given\n"
      "  --ends crlf|cr|lf      line ends (default crlf, today lf)\n"
      "  --eof                  end the file with the byte 0x1A\n"
      "  --no-closing           end the file after the entries (a cut-off tile)\n"
      "  --set ROW,COL=TEXT     value text of one cell (1-based, in the tile's grid)\n"
      "  --label ROW,COL=TEXT   label of one cell (today: 地表面 表層面 海水面 内水面\n"
      "                         データなし その他 in the tile's encoding, other text\n"
      "                         byte for byte)\n"
      "  --extra ROW,COL=TEXT   a third field after the value of one cell\n"
      " old layout only:\n"
      "  --entries N            write only the first N entries (default 843750)\n"
      " today's layout only:\n"
      "  --product NAME         DEM10A DEM10B (1125 x 750), DEM5A DEM5B DEM5C\n"
      "                         (225 x 150), DEM1A (1125 x 750) (default DEM10A)\n"
      "  --encoding utf8|utf8-bom|sjis   (default utf8)\n"
      "  --start X,Y            gml:startPoint, the first cell written (default 0,0)\n"
      "  --tuples N             tuples written (default: every cell from the start;\n"
      "                         more continue past the last row)\n"
      "  --vis                  add a <vis> element\n"
      "  --sequence-rule TEXT   order of gml:sequenceRule (default +x-y)\n",
      stderr);
  std::exit(2);
}

// "ROW,COL=TEXT" as it was given, placed once the grid is known.
struct CellText {
  long row;
  long column;
  std::string text;
  CellTexts* into;
};

CellText ParseCell(const char* argument, CellTexts* into) {
  char* end = nullptr;
  long row = std::strtol(argument, &end, 10);
  if (*end != ',') Usage();
  long column = std::strtol(end + 1, &end, 10);
  if (*end != '=') Usage();
  return {row, column, end + 1, into};
}

// "N" -> N, a count (never negative).
long ParseCount(const char* argument) {
  char* end = nullptr;
  long count = std::strtol(argument, &end, 10);
  if (end == argument || *end != '\0' || count < 0) Usage();
  return count;
}

// "X,Y" -> two cell numbers.
void ParsePoint(const char* argument, int* x, int* y) {
  char* end = nullptr;
  long first = std::strtol(argument, &end, 10);
  if (end == argument || *end != ',') Usage();
  const char* second_text = end + 1;
  long second = std::strtol(second_text, &end, 10);
  if (end == second_text || *end != '\0' || first < 0 || second < 0 || first > 1'000'000 ||
      second > 1'000'000) {
    Usage();
  }
  *x = static_cast<int>(first);
  *y = static_cast<int>(second);
}

const Product* FindProduct(const std::string& name) {
  for (const Product& product : kProducts) {
    if (name == product.name) return &product;
  }
  Usage();
}

// Options of one layout given for the other would make a tile that silently
// differs from the one the caller asked for.
struct LayoutOnly {
  bool old_option = false;
  bool today_option = false;
};

struct Command {
  TileOptions tile;
  std::string output;
};

Command ParseOptions(int argc, char** argv) {
  TileOptions options;
  LayoutOnly given;
  std::vector<CellText> cells;
  std::string output;
  for (int i = 1; i < argc; ++i) {
    std::string name = argv[i];
    auto next = [&]() -> const char* {
      if (i + 1 >= argc) Usage();
      return argv[++i];
    };
    auto today_only = [&] { given.today_option = true; };
    if (name == "--layout") {
      std::string layout = next();
      if (layout == "old") options.layout = Layout::kOld;
      else if (layout == "today") options.layout = Layout::kToday;
      else Usage();
    } else if (name == "--seed") {
      options.seed = std::strtoull(next(), nullptr, 10);
    } else if (name == "--srs") {
      options.srs_name = next();
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
    } else if (name == "--no-closing") {
      options.closing_tags = false;
    } else if (name == "--set") {
      cells.push_back(ParseCell(next(), &options.values));
    } else if (name == "--label") {
      cells.push_back(ParseCell(next(), &options.labels));
    } else if (name == "--extra") {
      cells.push_back(ParseCell(next(), &options.extras));
    } else if (name == "--entries") {
      options.entries = std::strtol(next(), nullptr, 10);
      given.old_option = true;
    } else if (name == "--product") {
      options.product = FindProduct(next());
      today_only();
    } else if (name == "--encoding") {
      std::string encoding = next();
      if (encoding == "utf8") options.encoding = Encoding::kUtf8;
      else if (encoding == "utf8-bom") options.encoding = Encoding::kUtf8WithMark;
      else if (encoding == "sjis") options.encoding = Encoding::kShiftJis;
      else Usage();
      today_only();
    } else if (name == "--start") {
      ParsePoint(next(), &options.start_x, &options.start_y);
      today_only();
    } else if (name == "--tuples") {
      options.tuples = ParseCount(next());
      today_only();
    } else if (name == "--vis") {
      options.vis = true;
      today_only();
    } else if (name == "--sequence-rule") {
      options.sequence_rule = next();
      today_only();
    } else if (name.size() > 1 && name[0] == '-') {
      Usage();
    } else if (output.empty()) {
      output = name;
    } else {
      Usage();
    }
  }
  bool today = options.layout == Layout::kToday;
  if (output.empty() || (today ? given.old_option : given.today_option)) Usage();

  const Product& grid = *options.product;
  if (options.start_x >= grid.columns || options.start_y >= grid.rows) Usage();
  for (const CellText& cell : cells) {
    if (cell.row < 1 || cell.row > grid.rows || cell.column < 1 || cell.column > grid.columns) {
      Usage();
    }
    (*cell.into)[(cell.row - 1) * grid.columns + (cell.column - 1)] = cell.text;
  }
  return {options, output};
}

int Run(const Command& command) {
  const TileOptions& tile = command.tile;
  std::string text;
  try {
    text = tile.layout == Layout::kToday ? TodayLayoutText(tile) : OldLayoutText(tile);
  } catch (const std::invalid_argument& failure) {
    std::fprintf(stderr, "tolvex-make-tile: %s\n", failure.what());
    return 2;
  }
  std::FILE* file = std::fopen(command.output.c_str(), "wb");
  if (file == nullptr) {
    std::perror(command.output.c_str());
    return 1;
  }
  bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  if (std::fclose(file) != 0 || !written) {
    std::perror(command.output.c_str());
    return 1;
  }
  return 0;
}

}  // namespace
}  // namespace tolvex::tools

int main(int argc, char** argv) {
  return tolvex::tools::Run(tolvex::tools::ParseOptions(argc, argv));
}
