// The tile reader on tiles built here in memory: every product size and
// partial tiles, the ways a tile may be dressed (encodings, line ends,
// markup), each read in pieces of 1, 7 bytes and whole, and every failure
// with its message and line.
#include "convert/cli/tile_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "convert/cli/elevation_text.h"
#include "convert/cli/tile_window.h"
#include "runtime/os/code_page.h"

namespace tolvex::cli {
namespace {

// A stream over a string, handed out `piece` bytes at a time; it fails
// with ReadError after `fail_after` bytes.
class PieceSource : public ByteSource {
 public:
  PieceSource(std::string text, size_t piece, size_t fail_after = std::string::npos)
      : text_(std::move(text)), piece_(piece), fail_after_(fail_after) {}
  size_t Read(char* buffer, size_t capacity) override {
    if (at_ >= fail_after_) throw ReadError("the disk is on fire");
    const size_t count = std::min({capacity, piece_, text_.size() - at_});
    std::memcpy(buffer, text_.data() + at_, count);
    at_ += count;
    return count;
  }
  size_t consumed() const { return at_; }

 private:
  std::string text_;
  size_t piece_, fail_after_;
  size_t at_ = 0;
};

constexpr size_t kWhole = std::string::npos;

// ------------------------------------------------------------ the tile
// Today's layout, UTF-8, LF. Line 11 holds the Envelope, 12 and 13 the
// corners, 20 and 21 low and high; tuples start on line 33.
constexpr const char* kHeader =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<Dataset xsi:schemaLocation=\"http://example.org dem.xsd\"  "
    "xmlns:gml=\"http://www.opengis.net/gml/3.2\" gml:id=\"Dataset1\">\n"
    "<description xlink:href=\"http://example.org/\" xlink:type=\"simple\"/>\n"
    "<DEM gml:id=\"DEM001\">\n"
    "\t<fid>fgoid:10-00100-15-60101-53394545</fid>\n"
    "\t<lfSpanFr gml:id=\"DEM001-1\"><gml:timePosition>2016-10-01</gml:timePosition></lfSpanFr>\n"
    "\t<type>5mメッシュ（標高）</type>\n"
    "\t<mesh>53394545</mesh>\n"
    "\t<coverage gml:id=\"DEM001-3\">\n"
    "\t\t<gml:boundedBy>\n"
    "\t\t\t<gml:Envelope srsName=\"fguuid:jgd2011.bl\">\n"
    "\t\t\t\t<gml:lowerCorner>35.708333333 139.6875</gml:lowerCorner>\n"
    "\t\t\t\t<gml:upperCorner>35.716666667 139.7</gml:upperCorner>\n"
    "\t\t\t</gml:Envelope>\n"
    "\t\t</gml:boundedBy>\n"
    "\t\t<gml:gridDomain>\n"
    "\t\t\t<gml:Grid dimension=\"2\" gml:id=\"DEM001-4\">\n"
    "\t\t\t\t<gml:limits>\n"
    "\t\t\t\t\t<gml:GridEnvelope>\n"
    "\t\t\t\t\t\t<gml:low>0 0</gml:low>\n"
    "\t\t\t\t\t\t<gml:high>HIGH</gml:high>\n"
    "\t\t\t\t\t</gml:GridEnvelope>\n"
    "\t\t\t\t</gml:limits>\n"
    "\t\t\t\t<gml:axisLabels>x y</gml:axisLabels>\n"
    "\t\t\t</gml:Grid>\n"
    "\t\t</gml:gridDomain>\n"
    "\t\t<gml:rangeSet>\n"
    "\t\t\t<gml:DataBlock>\n"
    "\t\t\t\t<gml:rangeParameters>\n"
    "\t\t\t\t\t<gml:QuantityList uom=\"DEM構成点\"/>\n"
    "\t\t\t\t</gml:rangeParameters>\n"
    "\t\t\t\t<gml:tupleList>\n";
constexpr const char* kTrailer =
    "</gml:tupleList>\n"
    "\t\t\t</gml:DataBlock>\n"
    "\t\t</gml:rangeSet>\n"
    "\t\t<gml:coverageFunction>\n"
    "\t\t\t<gml:GridFunction>\n"
    "\t\t\t\t<gml:sequenceRule order=\"+x-y\">Linear</gml:sequenceRule>\n"
    "\t\t\t\t<gml:startPoint>START</gml:startPoint>\n"
    "\t\t\t</gml:GridFunction>\n"
    "\t\t</gml:coverageFunction>\n"
    "\t</coverage>\n"
    "</DEM>\n"
    "</Dataset>\n";

struct Shape {
  int columns, rows, start_x, start_y, tuples;
};

void Replace(std::string* text, const std::string& from, const std::string& to) {
  const size_t at = text->find(from);
  ASSERT_NE(at, std::string::npos) << from;
  text->replace(at, from.size(), to);
}

void ReplaceAll(std::string* text, const std::string& from, const std::string& to) {
  for (size_t at = text->find(from); at != std::string::npos; at = text->find(from, at + to.size()))
    text->replace(at, from.size(), to);
}

// Tuple i: mostly land, every 13th no data, centimetres spread over the
// range every unit holds.
std::string ValueText(int i) {
  if (i % 13 == 5) return "-9999.";
  const long centimetres = (long{i} * 7919) % 300000 - 5000;
  const long magnitude = centimetres < 0 ? -centimetres : centimetres;
  std::string fraction = std::to_string(magnitude % 100);
  if (fraction.size() == 1) fraction = "0" + fraction;
  return (centimetres < 0 ? "-" : "") + std::to_string(magnitude / 100) + "." + fraction;
}

std::string LabelOf(int i) { return i % 13 == 5 ? "データなし" : i % 3 ? "地表面" : "表層面"; }

std::string TileText(const Shape& shape) {
  std::string text = std::string(kHeader) + kTrailer;
  Replace(&text, "HIGH", std::to_string(shape.columns - 1) + " " + std::to_string(shape.rows - 1));
  Replace(&text, "START", std::to_string(shape.start_x) + " " + std::to_string(shape.start_y));
  std::string tuples;
  for (int i = 0; i < shape.tuples; ++i) tuples += LabelOf(i) + "," + ValueText(i) + "\n";
  Replace(&text, "</gml:tupleList>", tuples + "</gml:tupleList>");
  return text;
}

// The cells the reader must give, as floats (int16 cells widen exactly).
std::vector<float> ExpectedCells(const Shape& shape, Unit unit) {
  std::vector<float> cells(static_cast<size_t>(shape.columns * shape.rows), -9999.0f);
  const int first = shape.start_y * shape.columns + shape.start_x;
  for (int i = 0; i < shape.tuples; ++i) {
    int16_t cell = 0;
    float& out = cells[static_cast<size_t>(first + i)];
    if (unit == Unit::kFloat) EXPECT_EQ(ElevationFromText(ValueText(i), &out), ValueStatus::kOk);
    else EXPECT_EQ(ElevationFromText(ValueText(i), unit, &cell), ValueStatus::kOk);
    if (unit != Unit::kFloat) out = cell;
  }
  return cells;
}

// The text in Shift_JIS with its declaration saying so, or empty when it
// holds bytes that have no Shift_JIS form.
std::string ShiftJis(std::string utf8, const std::string& name) {
  ReplaceAll(&utf8, "encoding=\"UTF-8\"", "encoding=\"" + name + "\"");
  std::string sjis;
  return os::Utf8ToCp932(utf8, &sjis) ? sjis : std::string();
}

Tile Read(const std::string& text, size_t piece, Unit unit, bool head_only = false) {
  PieceSource source(text, piece);
  return ReadTile(source, ReadOptions{unit, head_only});
}

// "LINE MESSAGE" of the TileError the text fails with, or "read".
std::string FailureOf(const std::string& text, size_t piece, Unit unit = Unit::kTenths) {
  try {
    Read(text, piece, unit);
  } catch (const TileError& error) {
    return std::to_string(error.line()) + " " + error.what();
  }
  return "read";
}

void ExpectTile(const std::string& text, const Shape& shape, Unit unit, size_t piece) {
  SCOPED_TRACE("piece " + std::to_string(piece));
  const Tile tile = Read(text, piece, unit);
  const TileHead& head = tile.head;
  EXPECT_EQ(head.srs_name, "fguuid:jgd2011.bl");
  EXPECT_EQ(head.crs.epsg, 6668);
  EXPECT_EQ(std::tie(head.south, head.west, head.north, head.east),
            std::make_tuple(35.708333333, 139.6875, 35.716666667, 139.7));
  EXPECT_EQ(std::tie(head.columns, head.rows, head.start_x, head.start_y),
            std::tie(shape.columns, shape.rows, shape.start_x, shape.start_y));
  EXPECT_EQ(head.tuples, static_cast<uint64_t>(shape.tuples));
  EXPECT_EQ(tile.unit, unit);
  EXPECT_EQ(tile.cells16.empty(), unit == Unit::kFloat);
  EXPECT_EQ(tile.cells32.empty(), unit != Unit::kFloat);
  const std::vector<float> got = unit == Unit::kFloat
                                     ? tile.cells32
                                     : std::vector<float>(tile.cells16.begin(), tile.cells16.end());
  const std::vector<float> want = ExpectedCells(shape, unit);
  ASSERT_EQ(got.size(), want.size());
  const auto [at, _] = std::mismatch(got.begin(), got.end(), want.begin());
  EXPECT_EQ(at, got.end()) << "first wrong cell " << (at - got.begin());
}

// ------------------------------------------------------------ shapes

struct ShapeRow {
  const char* what;
  Shape shape;
  Unit unit;
  bool grid_last = false;  // the grid size only after the tuples
};

const ShapeRow kShapeRows[] = {
    {"DEM5A/5B/5C in full", {225, 150, 0, 0, 33750}, Unit::kTenths},
    {"DEM10A/10B, DEM1A in full", {1125, 750, 0, 0, 843750}, Unit::kMetres},
    {"leading cells left out", {225, 150, 12, 3, 33750 - 687}, Unit::kFloat},
    {"trailing cells left out", {225, 150, 0, 0, 1000}, Unit::kMetres},
    {"a single tuple", {225, 150, 100, 70, 1}, Unit::kTenths},
    {"a single cell", {1, 1, 0, 0, 1}, Unit::kTenths},
    {"the grid after the tuples", {225, 150, 12, 3, 33750 - 687}, Unit::kTenths, true},
};

// The gml:gridDomain moved behind the coverage function.
std::string GridLast(std::string text) {
  const size_t from = text.find("\t\t<gml:gridDomain>");
  const std::string end_tag = "</gml:gridDomain>\n";
  const size_t to = text.find(end_tag) + end_tag.size();
  const std::string grid = text.substr(from, to - from);
  text.erase(from, to - from);
  text.insert(text.find("\t</coverage>"), grid);
  return text;
}

TEST(TileReader, ReadsEveryShape) {
  for (const ShapeRow& row : kShapeRows) {
    SCOPED_TRACE(row.what);
    const std::string text = row.grid_last ? GridLast(TileText(row.shape)) : TileText(row.shape);
    for (size_t piece : {size_t{7}, size_t{4096}, kWhole}) {
      if (row.shape.tuples > 100000 && piece == 7) continue;  // keeps the test fast
      ExpectTile(text, row.shape, row.unit, piece);
    }
  }
}

// ------------------------------------------------------------ dresses

constexpr Shape kSmall = {7, 5, 2, 1, 25};

std::string Dressed(int dress) {
  std::string text = TileText(kSmall);
  switch (dress) {
    case 0: return text;
    case 1: return "\xEF\xBB\xBF" + text;
    case 2: return text.substr(text.find('\n') + 1);  // no declaration
    case 3: return ShiftJis(text, "Shift_JIS");
    case 4: return ShiftJis(text, "ms_kanji");
    case 5: return ShiftJis(text, "windows-31J");
    case 6: ReplaceAll(&text, "\n", "\r\n"); return text;
    case 7: ReplaceAll(&text, "\n", "\r"); return text;
    case 8:  // the old layout: no indentation, CR LF, Shift_JIS
      ReplaceAll(&text, "\t", "");
      ReplaceAll(&text, "\n", "\r\n");
      return ShiftJis(text, "Shift_JIS");
    case 9:  // markup a reader must step over
      Replace(&text, "<Dataset", "<!DOCTYPE Dataset [<!ENTITY x \"<>\">]>\n<?pi <>?><Dataset");
      Replace(&text, "\t<mesh>", "\t<vis>標高<!-- <DEM> --><![CDATA[<DEM>]]></vis><mesh>");
      Replace(&text, "<gml:Envelope srsName=\"fguuid:jgd2011.bl\">",
              "<gml:Envelope\n\t\tfoo = 'a>b'  srsName='fguuid:jgd2011.bl'>");
      Replace(&text, "<gml:low>", "<gml:axisLabels/><gml:low>");
      return text;
    case 10:  // tuples laid out freely, a comment inside the list
      ReplaceAll(&text, "\n地表面", " \t地表面");
      Replace(&text, "データなし", "\n\n<!-- gap -->データなし");
      Replace(&text, "\n</gml:tupleList>", "</gml:tupleList>");
      return text;
    case 11:  // no startPoint or sequenceRule: +x-y from 0 0
      Replace(&text, "\t\t\t\t<gml:startPoint>2 1</gml:startPoint>\n", "");
      Replace(&text, "<gml:sequenceRule order=\"+x-y\">Linear</gml:sequenceRule>", "");
      return text;
  }
  return {};
}

TEST(TileReader, ReadsEveryDress) {
  for (int dress = 0; dress <= 11; ++dress) {
    SCOPED_TRACE("dress " + std::to_string(dress));
    const std::string text = Dressed(dress);
    ASSERT_FALSE(text.empty());
    Shape shape = kSmall;
    if (dress == 11) shape.start_x = shape.start_y = 0;
    for (size_t piece : {size_t{1}, size_t{7}, kWhole})
      ExpectTile(text, shape, Unit::kMetres, piece);
  }
}

// ------------------------------------------------------------ failures

struct FailureRow {
  std::vector<std::pair<std::string, std::string>> edits;  // on the 4 x 3 tile below
  std::string cut_after;  // the file ends after this text, when given
  std::string failure;    // line and the start of the message
};

// 4 x 3 cells, 12 tuples "地表面,100.25" .. "地表面,111.25" on lines 33..44;
// the sequenceRule on line 50, the startPoint on 51.
std::string FailureBase() {
  std::string text = TileText({4, 3, 0, 0, 0});
  std::string tuples;
  for (int i = 0; i < 12; ++i) tuples += "地表面," + std::to_string(100 + i) + ".25\n";
  Replace(&text, "</gml:tupleList>", tuples + "</gml:tupleList>");
  return text;
}

const FailureRow kFailureRows[] = {
    {{{"\"UTF-8\"", "\"EUC-JP\""}}, "",
     "1 encoding \"EUC-JP\" is not supported: tiles must be UTF-8 or Shift_JIS"},
    {{{"<?xml", "\xFF\xFE<?xml"}}, "", "1 the file is UTF-16 (byte order mark)"},
    {{{"<?xml", std::string("<\0?\0", 4)}}, "", "1 the file is UTF-16 or UTF-32 (NUL bytes)"},
    {{{"<?xml", "\xEF\xBB\xBF<?xml"}, {"\"UTF-8\"", "'SJIS'"}}, "",
     "1 encoding \"SJIS\" after a UTF-8 byte order mark"},
    {{{"<gml:axisLabels>", "< gml:axisLabels>"}}, "",
     "24 the tag \"< gml:axisLabels>\" has no name"},
    {{{"<gml:Envelope ", "<gml:Envelope b "}}, "", "11 the tag \"<gml:Envelope b srsName="},
    {{{"<DEM ", "<Cstline "}, {"</DEM>", "</Cstline>"}}, "",
     "0 not a DEM tile: the document has no DEM element"},
    {{{" srsName=\"fguuid:jgd2011.bl\"", "\n  srsName=\"EPSG:6668\""}}, "",
     "12 unknown coordinate reference system: srsName \"EPSG:6668\""},
    {{{"srsName=\"fguuid:jgd2011.bl\"", "srsName=fguuid"}}, "",
     "11 the tag \"<gml:Envelope srsName=fguuid>\" has an attribute value without quotes"},
    {{{"srsName", "srs"}}, "", "11 <gml:Envelope> has no srsName"},
    {{{"35.708333333 139.6875", "35.7x 139.6875 \t"}}, "",
     "12 <gml:lowerCorner> \"35.7x 139.6875\" is not two numbers (latitude longitude)"},
    {{{"35.708333333 139.6875", "\n\n50 139.6875"}}, "",
     "14 <gml:lowerCorner> \"50 139.6875\" lies outside Japan (latitude 20..46, longitude 122"},
    {{{"139.7<", "155<"}}, "", "13 <gml:upperCorner> \"35.716666667 155\" lies outside Japan"},
    {{{"35.708333333", "35.8"}}, "",
     "13 <gml:lowerCorner> \"35.8 139.6875\" is not south-west of <gml:upperCorner>"},
    {{{"<gml:low>0 0", "<gml:low>1 0"}}, "", "20 <gml:low> \"1 0\" is not \"0 0\""},
    {{{"<gml:high>3 2</gml:high>", ""}}, "", "0 the DEM element has no gml:high"},
    {{{"<gml:high>3 2", "<gml:high>4095 1024"}}, "",
     "21 <gml:high> \"4095 1024\" makes 4198400 cells, more than the 4194304 a tile may have"},
    {{{"<gml:high>3 2", "<gml:high>3 -2"}}, "", "21 <gml:high> \"3 -2\" is not two whole numbers"},
    {{{"<gml:low>0 0</gml:low>", "<gml:high>3 2</gml:high>"}}, "",
     "21 a second <gml:high> (the first on line 20)"},
    {{{"\t\t\t\t<gml:upperCorner>35.716666667 139.7</gml:upperCorner>\n", ""}}, "",
     "0 the DEM element has no gml:upperCorner"},
    {{{"gml:Envelope", "gml:Box"}, {"gml:Envelope", "gml:Box"}}, "",
     "0 the DEM element has no gml:Envelope (srsName)"},
    {{{"<gml:tupleList>", "<gml:valueList>"}, {"</gml:tupleList>", "</gml:valueList>"}}, "",
     "0 the DEM element has no gml:tupleList"},
    {{{"+x-y", "+y-x"}}, "",
     "50 <gml:sequenceRule> order \"+y-x\" is not supported: tuples must run row by row (+x-y)"},
    {{{"<gml:startPoint>0 0", "<gml:startPoint>0 3"}}, "",
     "51 <gml:startPoint> \"0 3\" lies outside the 4 x 3 grid"},
    {{{"<gml:startPoint>0 0", "<gml:startPoint>1 0"}}, "",
     "51 12 tuples from the start point 1 0 run past the 4 x 3 grid"},
    {{{"<gml:high>3 2", "<gml:high>2 2"}}, "", "42 more than 9 tuples: the grid has 3 x 3 cells"},
    {{{"地表面,103.25", "地表面 103.25"}}, "", "36 tuple \"地表面\" is not label,value"},
    {{{"地表面,103.25", "地表面,103.25,1"}}, "",
     "36 tuple \"地表面,103.25,1\" has more than two fields (label,value)"},
    {{{"103.25", "10x3"}}, "", "36 value \"10x3\" is not a number"},
    {{{"103.25", "3276.80"}}, "",
     "36 elevation 3276.80 does not fit 16-bit tenths of a metre (use --unit m or f32)"},
    {{{"103.25", "10\x01"}}, "", "36 the tuple list holds the control byte 0x01"},
    {{{"103.25", "10x3"}, {"地表面,105.25", "地表面"}}, "", "36 value \"10x3\" is not a number"},
    {{{"</DEM>", "</DEM><DEM/>"}}, "", "55 a second DEM element in one file"},
    {{{"</gml:GridEnvelope>", "</gml:Grid>"}}, "",
     "22 the end tag \"</gml:Grid>\" does not close <gml:GridEnvelope>"},
    {{}, "地表面,105.25\n", "39 the file ends inside <gml:tupleList>: it is cut short"},
    {{}, "地表面,105", "38 the file ends inside <gml:tupleList>: it is cut short"},
    {{}, "</gml:tupleList>\n", "46 the file ends inside <gml:DataBlock>: it is cut short"},
    {{}, "<gml:sequenceRule ord", "50 the file ends inside the markup \"<gml:sequenceRule ord\""},
};

// A failure row in three dresses: as written, Shift_JIS with CR LF, CR.
std::string FailureDress(std::string text, int dress) {
  if (dress == 1) {
    text = ShiftJis(text, "SJIS");
    ReplaceAll(&text, "\n", "\r\n");
  }
  if (dress == 2) ReplaceAll(&text, "\n", "\r");
  return text;
}

TEST(TileReader, ReportsEachFailureWithItsLine) {
  for (const FailureRow& row : kFailureRows) {
    std::string text = FailureBase();
    for (const auto& [from, to] : row.edits) Replace(&text, from, to);
    if (!row.cut_after.empty()) text.resize(text.find(row.cut_after) + row.cut_after.size());
    for (int dress = 0; dress < 3; ++dress) {
      const std::string dressed = FailureDress(text, dress);
      if (dressed.empty()) continue;  // bytes Shift_JIS cannot hold
      for (size_t piece : {size_t{1}, size_t{7}, kWhole})
        EXPECT_EQ(FailureOf(dressed, piece).substr(0, row.failure.size()), row.failure)
            << "dress " << dress << ", piece " << piece;
    }
  }
}

TEST(TileReader, FailsAFileThatIsNotATile) {
  const std::pair<const char*, const char*> kTexts[] = {
      {"", "0 the file holds no XML elements"},
      {"just text", "0 the file holds no XML elements"},
      {"<?xml version=\"1.0\"?>\n", "0 the file holds no XML elements"},
      {"<Dataset>\n<Cst/>\n</Dataset>\n<DEM>", "0 not a DEM tile: the document has no DEM element"},
      {"</Dataset>", "1 the end tag \"</Dataset>\" closes nothing"},
      {"<!-- ", "1 the file ends inside the markup \"<!-- \""},
  };
  for (const auto& [text, failure] : kTexts) EXPECT_EQ(FailureOf(text, kWhole), failure);
}

TEST(TileReader, FailsATagOrTupleLongerThanAPiece) {
  std::string text = FailureBase();
  Replace(&text, "地表面,103.25", std::string(TileWindow::kPieceSize, 'x') + ",103.25");
  EXPECT_EQ(FailureOf(text, kWhole), "36 a tag or tuple runs over 1048576 bytes without an end");
}

// ------------------------------------------------------------ the head alone

TEST(TileReader, HeadOnlyStopsAfterTheGridSize) {
  std::string text = FailureBase();
  Replace(&text, "地表面,103.25", "not a tuple");  // never reached
  PieceSource source(text, 7);
  const Tile tile = ReadTile(source, ReadOptions{Unit::kMetres, true});
  EXPECT_EQ(tile.head.columns, 4);
  EXPECT_EQ(tile.head.rows, 3);
  EXPECT_EQ(tile.head.crs.epsg, 6668);
  EXPECT_EQ(tile.head.north, 35.716666667);
  EXPECT_EQ(tile.head.tuples, 0u);
  EXPECT_TRUE(tile.cells16.empty());
  EXPECT_LT(source.consumed(), text.find("<gml:tupleList>"));
}

TEST(TileReader, ReadErrorsPassThrough) {
  PieceSource source(FailureBase(), 7, 700);
  EXPECT_THROW(ReadTile(source, ReadOptions{}), ReadError);
}

}  // namespace
}  // namespace tolvex::cli
