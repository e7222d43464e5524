// The tile reader on tiles built here, read in pieces of 1, 7 bytes and whole:
// product sizes, partial tiles, dresses, every failure with its line.
#include "convert/cli/tile_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <tuple>

#include "convert/cli/elevation_text.h"
#include "convert/cli/tile_window.h"
#include "runtime/os/code_page.h"
#include "tests/convert/test_inputs.h"

namespace tolvex::cli {
namespace {

constexpr size_t kWhole = std::string::npos;
constexpr size_t kPieces[] = {1, 7, kWhole};

// A tile in UTF-8 with LF, several elements to a line. Line 5 holds the
// Envelope, 6 and 7 the corners, 10 and 11 low and high, 15 the list's
// start tag; tuples start on line 16.
constexpr const char* kTile =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Dataset gml:id=\"Dataset1\">\n"
    "<DEM gml:id=\"DEM001\"><type>5mメッシュ（標高）</type>\n<coverage><gml:boundedBy>\n"
    "<gml:Envelope srsName=\"fguuid:jgd2011.bl\">\n"
    "<gml:lowerCorner>35.708333333 139.6875</gml:lowerCorner>\n"
    "<gml:upperCorner>35.716666667 139.7</gml:upperCorner>\n</gml:Envelope></gml:boundedBy>\n"
    "<gml:gridDomain><gml:Grid dimension=\"2\"><gml:limits><gml:GridEnvelope>\n"
    "<gml:low>0 0</gml:low>\n<gml:high>HIGH</gml:high>\n</gml:GridEnvelope></gml:limits>\n"
    "<gml:axisLabels>x y</gml:axisLabels></gml:Grid></gml:gridDomain>\n"
    "<gml:rangeSet><gml:DataBlock><gml:QuantityList uom=\"DEM構成点\"/>\n<gml:tupleList>\n"
    "TUPLES</gml:tupleList>\n</gml:DataBlock></gml:rangeSet>\n<gml:coverageFunction>\n"
    "<gml:sequenceRule order=\"+x-y\">Linear</gml:sequenceRule>\n"
    "<gml:startPoint>START</gml:startPoint>\n"
    "</gml:coverageFunction>\n</coverage>\n</DEM>\n</Dataset>\n";

using Edits = std::vector<std::pair<std::string, std::string>>;

int ReplaceAll(std::string* text, const std::string& from, const std::string& to) {
  int count = 0;
  for (size_t at = 0; (at = text->find(from, at)) != std::string::npos; at += to.size(), ++count)
    text->replace(at, from.size(), to);
  return count;
}

// Each edit made everywhere it applies; one from "" replaces the whole text.
std::string Edited(std::string text, const Edits& edits) {
  for (const auto& [from, to] : edits) {
    if (from.empty()) text = to;
    else EXPECT_GT(ReplaceAll(&text, from, to), 0) << from;
  }
  return text;
}

struct Shape {
  int columns, rows, start_x, start_y, tuples;
};

// The tile of the shape with these tuples.
std::string TileText(const Shape& shape, const std::string& tuples) {
  const auto pair = [](int x, int y) { return std::to_string(x) + " " + std::to_string(y); };
  return Edited(kTile, {{"HIGH", pair(shape.columns - 1, shape.rows - 1)},
                        {"START", pair(shape.start_x, shape.start_y)}, {"TUPLES", tuples}});
}

// The tile with shape.tuples tuples (every 13th no data, the others
// centimetres over -50 .. 2950 m), and in `cells` what the reader must give
// for them in `unit`, as floats (int16 cells widen exactly).
std::string GeneratedTile(const Shape& shape, Unit unit, std::vector<float>* cells) {
  cells->assign(static_cast<size_t>(shape.columns * shape.rows), -9999.0f);
  std::string tuples;
  for (int i = 0; i < shape.tuples; ++i) {
    char value[32] = "-9999.";
    if (i % 13 != 5)
      std::snprintf(value, sizeof value, "%.2f", double(long{i} * 7919 % 300000 - 5000) / 100);
    tuples += std::string(i % 13 == 5 ? "データなし" : i % 3 ? "地表面" : "表層面") + "," + value + "\n";
    float& cell = (*cells)[size_t(shape.start_y * shape.columns + shape.start_x + i)];
    int16_t cell16 = 0;
    if (unit == Unit::kFloat) ElevationFromText(value, &cell);
    else if (ElevationFromText(value, unit, &cell16) == ValueStatus::kOk) cell = cell16;
  }
  return TileText(shape, tuples);
}

// ------------------------------------------------------------ tiles read
struct ReadRow {
  const char* what;
  Shape shape;
  Unit unit;
  Edits edits = {};
  bool shift_jis = false;
};

constexpr Shape kSmall = {7, 5, 2, 1, 25};
constexpr Unit kM = Unit::kMetres;

const ReadRow kReadRows[] = {
    {"DEM5A/5B/5C in full", {225, 150, 0, 0, 33750}, Unit::kTenths},
    {"DEM10A/10B, DEM1A in full", {1125, 750, 0, 0, 843750}, kM},
    {"a single cell", {1, 1, 0, 0, 1}, Unit::kTenths},
    {"cells left out at both ends, grid size last", {225, 150, 12, 3, 33750 - 687}, Unit::kFloat,
     {{"<gml:gridDomain>", "<!--"}, {"</gml:gridDomain>", "-->"},
      {"</coverage>", "<gml:high>224 149</gml:high></coverage>"}}},
    {"no declaration, CR", kSmall, kM,
     {{"<?xml version=\"1.0\" encoding=\"UTF-8\"?>", ""}, {"\n", "\r"}}},
    {"Shift_JIS, CR LF, indented", kSmall, kM, {{"UTF-8", "ms_kanji"}, {"\n", "\r\n\t "}}, true},
    {"a byte order mark, markup a reader must step over", kSmall, kM,
     {{"<?xml", "\xEF\xBB\xBF<?xml"},
      {"<Dataset", "<!DOCTYPE Dataset [<!ENTITY x \"<>\">]>\n<?pi <>?><Dataset"},
      {"<type>", "<vis>標高<!-- <DEM> --><![CDATA[<DEM>]]></vis><type>"},
      {"<gml:Envelope srsName=\"fguuid:jgd2011.bl\">",
       "<gml:Envelope\n\t\tfoo = 'a>b'  srsName='fguuid:jgd2011.bl'>"},
      {"<gml:low>", "<gml:axisLabels/><gml:low>"}}},
    {"tuples laid out freely, comments among them", kSmall, kM,
     {{"\n地表面", " \t地表面"}, {"データなし", "\n\n<!-- gap -->データなし"},
      {"\n</gml:tupleList>", "</gml:tupleList>"}}},
    {"no startPoint, no order: +x-y from 0 0", {7, 5, 0, 0, 25}, kM,
     {{"<gml:startPoint>0 0</gml:startPoint>\n", ""}, {" order=\"+x-y\"", ""}}},
};

TEST(TileReader, ReadsEveryShapeAndDress) {
  for (const ReadRow& row : kReadRows) {
    SCOPED_TRACE(row.what);
    const Shape& shape = row.shape;
    std::vector<float> want;
    std::string text = Edited(GeneratedTile(shape, row.unit, &want), row.edits);
    if (row.shift_jis) { ASSERT_TRUE(os::Utf8ToCp932(std::string(text), &text)); }
    for (const size_t piece : kPieces) {
      if (shape.tuples > 100000 && piece != kWhole) continue;  // keeps the test fast
      SCOPED_TRACE("piece " + std::to_string(piece));
      PieceSource source(text, piece);
      const Tile tile = ReadTile(source, ReadOptions{row.unit});
      const TileHead& h = tile.head;
      EXPECT_EQ(std::tie(h.srs_name, h.crs.epsg, h.south, h.west, h.north, h.east, h.columns,
                         h.rows, h.start_x, h.start_y, h.tuples),
                std::make_tuple("fguuid:jgd2011.bl", 6668, 35.708333333, 139.6875, 35.716666667,
                                139.7, shape.columns, shape.rows, shape.start_x, shape.start_y,
                                static_cast<uint64_t>(shape.tuples)));
      const bool f32 = row.unit == Unit::kFloat;
      EXPECT_TRUE(f32 ? tile.cells16.empty() : tile.cells32.empty());
      EXPECT_TRUE(want == (f32 ? tile.cells32 : std::vector<float>(tile.cells16.begin(),
                                                                   tile.cells16.end())))
          << "the cells differ";
    }
  }
}

// ------------------------------------------------------------ failures
// "LINE MESSAGE" of the TileError the text fails with, or "read".
std::string FailureOf(const std::string& text, size_t piece) {
  try {
    PieceSource source(text, piece);
    ReadTile(source, ReadOptions{Unit::kTenths});
  } catch (const TileError& error) {
    return std::to_string(error.line()) + " " + error.what();
  }
  return "read";
}

// An edit of the 4 x 3 tile below as in Edited, or with `to` kCut, the file
// cut short after `from`.
struct FailureRow {
  std::string from, to;
  const char* failure;  // the line and the start of the message
};

const std::string kCut = "\x1A";

const FailureRow kFailureRows[] = {
    {"", "<?xml version=\"1.0\"?>\n", "0 the file holds no XML elements"},
    {"", "<Dataset>\n<Cst/>\n</Dataset>\n<DEM>", "0 not a DEM tile: the document has no DEM"},
    {"DEM", "Cst", "0 not a DEM tile: the document has no DEM element"},
    {"", "</Dataset>", "1 the end tag \"</Dataset>\" closes nothing"},
    {"", "<!-- ", "1 the file ends inside the markup \"<!-- \""},
    {"\"UTF-8\"", "\"EUC-JP\"", "1 encoding \"EUC-JP\" is not supported: tiles must be UTF-8"},
    {"<?xml", "\xFF\xFE<?xml", "1 the file is UTF-16 (byte order mark)"},
    {"<?xml", "\xFE\xFF<?xml", "1 the file is UTF-16 (byte order mark)"},
    {"<?xml", std::string("<\0?\0", 4), "1 the file is UTF-16 or UTF-32 (NUL bytes)"},
    {"<?xml", std::string("\0<\0?", 4), "1 the file is UTF-16 or UTF-32 (NUL bytes)"},
    {"<?xml version=\"1.0\" encoding=\"UTF-8\"", "\xEF\xBB\xBF<?xml encoding='SJIS'",
     "1 encoding \"SJIS\" after a UTF-8 byte order mark"},
    {"<gml:axisLabels>", "< gml:axisLabels>", "13 the tag \"< gml:axisLabels>\" has no name"},
    {"<gml:Envelope ", "<gml:Envelope b ", "5 the tag \"<gml:Envelope b srsName="},
    {" srsName=\"fguuid:jgd2011.bl\"", "\n srsName='EPSG:6668'", "6 unknown coordinate reference"},
    {"\"fguuid:jgd2011.bl\"", "fguuid", "5 the tag \"<gml:Envelope srsName=fguuid>\" has an"},
    {"srsName", "srs", "5 <gml:Envelope> has no srsName"},
    {"35.708333333 139.6875", "35.7x 139.6875 \t", "6 <gml:lowerCorner> \"35.7x 139.6875\" is not"},
    {"35.708333333 ", "\n\n50 ", "8 <gml:lowerCorner> \"50 139.6875\" lies outside"},
    {"139.7<", "155<", "7 <gml:upperCorner> \"35.716666667 155\" lies outside Japan"},
    {"35.708333333", "35.8", "7 <gml:lowerCorner> \"35.8 139.6875\" is not south-west of"},
    {"<gml:low>0 0", "<gml:low>1 0", "10 <gml:low> \"1 0\" is not \"0 0\""},
    {"<gml:high>3 2</gml:high>", "", "0 the DEM element has no gml:high"},
    {">3 2<", ">4095 1024<", "11 <gml:high> \"4095 1024\" makes 4198400 cells, more"},
    {"<gml:high>3 2", "<gml:high>3 -2", "11 <gml:high> \"3 -2\" is not two whole numbers"},
    {"low>0 0</gml:low", "high>3 2</gml:high", "11 a second <gml:high> (the first on line 10)"},
    {"upperCorner", "Box", "0 the DEM element has no gml:upperCorner"},
    {"gml:Envelope", "gml:Box", "0 the DEM element has no gml:Envelope (srsName)"},
    {"tupleList", "valueList", "0 the DEM element has no gml:tupleList"},
    {"+x-y", "+y-x", "31 <gml:sequenceRule> order \"+y-x\" is not supported: tuples must run"},
    {"Point>0 0", "Point>0 y", "32 <gml:startPoint> \"0 y\" is not two whole numbers (x y)"},
    {"Point>0 0", "Point>0 3", "32 <gml:startPoint> \"0 3\" lies outside the 4 x 3 grid"},
    {"Point>0 0", "Point>4 0", "32 <gml:startPoint> \"4 0\" lies outside the 4 x 3 grid"},
    {"Point>0 0", "Point>1 0", "32 12 tuples from the start point 1 0 run past the 4 x 3 grid"},
    {"<gml:high>3 2", "<gml:high>2 2", "25 more than 9 tuples: the grid has 3 x 3 cells"},
    {"地表面,103.25", "地表面 103.25", "19 tuple \"地表面\" is not label,value"},
    {"103.25", "103.25,1", "19 tuple \"地表面,103.25,1\" has more than two fields"},
    {"103.25", "10x3", "19 value \"10x3\" is not a number"},
    {"103.25", "3276.80", "19 elevation 3276.80 does not fit 16-bit tenths of a metre"},
    {"103.25", "10\x01", "19 the tuple list holds the control byte 0x01"},
    {"</DEM>", "</DEM><DEM/>", "35 a second DEM element in one file"},
    {"/gml:GridEnvelope", "/gml:Grid",
     "12 the end tag \"</gml:Grid>\" does not close <gml:GridEnvelope>"},
    {"地表面,105.25\n", kCut, "22 the file ends inside <gml:tupleList>: it is cut short"},
    {"地表面,105", kCut, "21 the file ends inside <gml:tupleList>: it is cut short"},
    {"</gml:tupleList>\n", kCut, "29 the file ends inside <gml:DataBlock>: it is cut short"},
    {"<gml:sequenceRule ord", kCut, "31 the file ends inside the markup \"<gml:sequenceRule ord\""},
};

// Each row as written, in Shift_JIS with CR LF, and with CR; and a tuple
// longer than a whole piece.
TEST(TileReader, ReportsEachFailureWithItsLine) {
  std::string tuples;  // 地表面,100.25 .. 地表面,111.25 on lines 16 .. 27
  for (int i = 0; i < 12; ++i) tuples += "地表面," + std::to_string(100 + i) + ".25\n";
  const std::string base = TileText({4, 3, 0, 0, 0}, tuples);
  for (const FailureRow& row : kFailureRows) {
    std::string text = base;
    if (row.to == kCut) text.resize(text.find(row.from) + row.from.size());
    else text = Edited(text, {{row.from, row.to}});
    for (int dress = 0; dress < 3; ++dress) {
      std::string dressed = text;
      if (dress > 0) ReplaceAll(&dressed, "\n", dress == 1 ? "\r\n" : "\r");
      if (dress == 1) {
        ReplaceAll(&dressed, "\"UTF-8\"", "\"SJIS\"");
        if (!os::Utf8ToCp932(std::string(dressed), &dressed)) continue;  // a byte it lacks
      }
      for (const size_t piece : kPieces)
        EXPECT_EQ(FailureOf(dressed, piece).substr(0, strlen(row.failure)), row.failure)
            << "dress " << dress << ", piece " << piece;
    }
  }
  EXPECT_EQ(FailureOf(TileText({4, 3, 0, 0, 0}, std::string(TileWindow::kPieceSize, 'x')), kWhole),
            "16 a tag or tuple runs over 1048576 bytes without an end");
}

// Also the largest grid a tile may have.
TEST(TileReader, HeadOnlyStopsAfterTheGridSize) {
  PieceSource source(TileText({2048, 2048, 0, 0, 0}, "not a tuple"), 7);
  const Tile tile = ReadTile(source, ReadOptions{Unit::kMetres, true});
  const TileHead& h = tile.head;
  EXPECT_EQ(std::tie(h.crs.epsg, h.north, h.columns, h.rows, h.tuples),
            std::make_tuple(6668, 35.716666667, 2048, 2048, uint64_t{0}));
  EXPECT_TRUE(tile.cells16.empty());
  EXPECT_LT(source.at, source.text.find("<gml:tupleList>"));
}

}  // namespace
}  // namespace tolvex::cli
