// End-to-end tests of the converter: the real tolvex program runs on tiles
// made by tolvex-make-tile, answered through its standard input, and the
// .bil and .hdr files it leaves are checked byte for byte.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace tolvex::testing {
namespace {

namespace fs = std::filesystem;

constexpr int kCells = 750 * 1125;
constexpr size_t kRasterBytes = 1687500;

// ------------------------------------------------------------ the model
// The tile's value texts read as the runtime reads a single: significant
// digits as an integer, scaled by the extended powers of ten (10^-1 and
// 10^-2 as m * 2^(p - 63)), each product rounded to extended, then rounded
// to single. The generator writes at most two decimals.
float ReadSingle(std::string_view text) {
  bool negative = !text.empty() && text[0] == '-';
  uint64_t digits = 0;
  int fraction = 0;
  bool point = false;
  for (char c : text.substr(negative ? 1 : 0)) {
    if (c == '.') {
      point = true;
    } else {
      digits = digits * 10 + static_cast<uint64_t>(c - '0');
      if (point) ++fraction;
    }
  }
  long double value = static_cast<long double>(digits);
  if (fraction & 2) value *= std::ldexp(11805916207174113035.0L, -7 - 63);   // 10^-2
  if (fraction & 1) value *= std::ldexp(14757395258967641293.0L, -4 - 63);   // 10^-1
  return static_cast<float>(negative ? -value : value);
}

// Metres: value + 0.5 rounded to single, then floor. Tenths: floor of the
// unrounded product.
int16_t Convert(float elevation, int unit) {
  if (static_cast<long double>(elevation) == -9999.0L) return -9999;
  if (unit == 1) elevation = static_cast<float>(static_cast<long double>(elevation) + 0.5L);
  return static_cast<int16_t>(std::floor(static_cast<long double>(elevation) * unit));
}

// The raster the program must write for `tile`: one sample per entry, in file
// order (the entries run row by row from the north-west corner).
std::string ExpectedRaster(const std::string& tile, int unit) {
  std::string raster;
  raster.reserve(kRasterBytes);
  size_t position = 0;
  for (int line = 0; line < 47; ++line) position = tile.find("\r\n", position) + 2;
  for (int cell = 0; cell < kCells; ++cell) {
    size_t end = tile.find("\r\n", position);
    size_t comma = tile.find(',', position);
    std::string_view value(tile.data() + comma + 1, end - comma - 1);
    auto sample = static_cast<uint16_t>(Convert(ReadSingle(value), unit));
    raster += static_cast<char>(sample & 0xFF);
    raster += static_cast<char>(sample >> 8);
    position = end + 2;
  }
  return raster;
}

std::string HeaderText(const char* ulxmap, const char* ulymap) {
  return std::string("nrows 750\r\nncols 1125\r\nnbands 1\r\nnbits 16\r\n"
                     "nodata = -9999\r\nbyteorder I\r\nlayout bil\r\n") +
         "ulxmap " + ulxmap + "\r\nulymap " + ulymap +
         "\r\nxdim 0.00011111111\r\nydim 0.00011111111\r\nskipbytes 0\r\n\x1A";
}

int16_t Sample(const std::string& raster, int row, int column) {
  size_t at = 2 * static_cast<size_t>((row - 1) * 1125 + (column - 1));
  return static_cast<int16_t>(static_cast<uint8_t>(raster[at]) |
                              static_cast<uint8_t>(raster[at + 1]) << 8);
}

// ------------------------------------------------------------ the fixture
std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

struct Outcome {
  int status;
  std::string console;  // what the console showed, UTF-8
};

class ConversionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tolvex-convert-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }
  void Clear() {
    fs::remove_all(dir_);
    fs::create_directory(dir_);
  }

  void MakeTile(const std::vector<std::string>& options, const std::string& name = "tile.xml") {
    std::string command = Quote(std::string(TOLVEX_BINARY_DIR) + "/tools/tolvex-make-tile");
    for (const std::string& option : options) command += " " + Quote(option);
    command += " " + Quote(Path(name));
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  }

  // Runs the program in the test's directory with `answers` on its standard
  // input; the user's configuration (the error record) stays in the directory.
  // A sanitizer's report exits with 86, so it cannot pass for the status 1
  // of a runtime error.
  // `shell_setup` runs before the program in the same shell (limits, traps).
  Outcome Convert(const std::string& answers, const std::string& shell_setup = "") {
    std::ofstream(Path("answers"), std::ios::binary) << answers;
    std::string command = "cd " + Quote(dir_) + " && " + shell_setup + " HOME=" + Quote(dir_) +
                          " XDG_CONFIG_HOME=" + Quote(dir_) +
                          " ASAN_OPTIONS=exitcode=86${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
                          " UBSAN_OPTIONS=exitcode=86${UBSAN_OPTIONS:+:$UBSAN_OPTIONS} " +
                          Quote(std::string(TOLVEX_BINARY_DIR) + "/tolvex") +
                          " <answers >console 2>&1";
    int status = std::system(command.c_str());
    Outcome run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, Read("console")};
    fs::remove(Path("console"));
    fs::remove(Path("answers"));
    return run;
  }

  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  bool Exists(const std::string& name) const { return fs::exists(Path(name)); }
  std::string Read(const std::string& name) const {
    std::ifstream file(Path(name), std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
  }

  // A run that must stop with `code` at `statement`: the report names both,
  // the exit status is 1.
  void ExpectError(const Outcome& run, int statement, int code) {
    std::string report = "Tolvex [" + std::to_string(statement) + "\xE8\xA1\x8C]:" +
                         "\xE3\x82\xA8\xE3\x83\xA9\xE3\x83\xBC[" + std::to_string(code) + "]";
    EXPECT_NE(run.console.find(report), std::string::npos)
        << "expected " << report << " in:\n" << run.console;
    EXPECT_EQ(run.status, 1);
  }

  std::string dir_;
};

// ------------------------------------------------------------ conversions
// Chosen values at chosen cells with their metres and tenths; the rest of
// the tile is the generator's terrain, checked against the model.
struct Cell {
  int row, column;
  const char* text;
  int16_t metres, tenths;
};
const Cell kCellsTable[] = {
    {1, 1, "12.5", 13, 125},      {1, 2, "12.49", 12, 124},    {1, 3, "123.45", 123, 1234},
    {1, 4, "0.2", 0, 2},          {1, 5, "-3.7", -4, -38},     {1, 6, "0.7", 1, 6},
    {1, 7, "2.5", 3, 25},         {1, 8, "-3.5", -3, -35},     {1, 9, "-0.4", 0, -5},
    {1, 10, "99.95", 100, 999},   {1, 11, "12.3", 12, 123},    {1, 12, "12.7", 13, 126},
    {1, 13, "2.1", 2, 20},        {1, 14, "0.05", 0, 0},       {1, 15, "-3.2", -3, -33},
    {1, 16, "3276.7", 3277, 32766}, {1, 17, "-1.25", -1, -13}, {1, 18, "-9999.", -9999, -9999},
    {1, 19, "-9999", -9999, -9999}, {1, 20, "-9999.00", -9999, -9999}, {1, 21, "-0.01", 0, -1},
    {1, 1125, "1", 1, 10},        {2, 1, "0", 0, 0},           {375, 600, "2599.99", 2600, 25999},
    {750, 1, "-9999.0", -9999, -9999}, {750, 1125, "0.7", 1, 6},
};

std::vector<std::string> CellOptions() {
  std::vector<std::string> options = {"--seed", "7"};
  for (const Cell& cell : kCellsTable) {
    options.push_back("--set");
    options.push_back(std::to_string(cell.row) + "," + std::to_string(cell.column) + "=" +
                      cell.text);
  }
  return options;
}

// The questions and progress lines in order, the unit question once for each
// of the wrong units 0, 3 and -1 and then for the 2, without any message.
void ExpectDialogue(const std::string& console) {
  const std::string unit_prompt =
      "\xE6\xA8\x99\xE9\xAB\x98\xE3\x80\x80\xEF\xBD\x8D\xE5\x8D\x98\xE4\xBD\x8D(1) or "
      "10cm\xE5\x8D\x98\xE4\xBD\x8D(2) :? ";  // 標高　ｍ単位(1) or 10cm単位(2) :?
  const std::string steps[] = {
      "File Name xxxxxx.XML? ",
      unit_prompt, unit_prompt, unit_prompt, unit_prompt,
      "tile.xml\xE3\x82\x92\xE8\xAA\xAD\xE3\x81\xBF\xE8\xBE\xBC\xE3\x81\xBF\xE4\xB8\xAD",  // を読み込み中
      "tile.bil \xE3\x83\x95\xE3\x82\xA1\xE3\x82\xA4\xE3\x83\xAB\xE5\x87\xBA\xE5\x8A\x9B\xE4\xB8\xAD",  // ファイル出力中
      "\xE5\xA4\x89\xE6\x8F\x9B\xE5\x87\xA6\xE7\x90\x86\xE7\xB5\x82\xE4\xBA\x86? ",  // 変換処理終了?
  };
  size_t at = 0;
  for (const std::string& step : steps) {
    size_t found = console.find(step, at);
    ASSERT_NE(found, std::string::npos) << "missing " << step << " after " << at << " in:\n"
                                        << console;
    at = found + step.size();
  }
  EXPECT_EQ(console.find(unit_prompt, at), std::string::npos) << "asked once too often";
  EXPECT_EQ(console.find("\xE3\x82\x82\xE3\x81\x86\xE4\xB8\x80\xE5\xBA\xA6"),  // もう一度
            std::string::npos);
}

TEST_F(ConversionTest, MetresAndTenthsComeOutByteForByte) {
  MakeTile(CellOptions());
  const std::string tile = Read("tile.xml");
  for (int unit : {1, 10}) {
    SCOPED_TRACE(unit == 1 ? "metres" : "tenths");
    fs::remove(Path("tile.bil"));
    fs::remove(Path("tile.hdr"));
    Outcome run = Convert(unit == 1 ? "tile\n1\n\n" : "tile\n0\n3\n-1\n2\n\n");
    ASSERT_EQ(run.status, 0) << run.console;
    if (unit == 10) ExpectDialogue(run.console);
    std::string raster = Read("tile.bil");
    ASSERT_EQ(raster.size(), kRasterBytes);
    for (const Cell& cell : kCellsTable) {
      EXPECT_EQ(Sample(raster, cell.row, cell.column), unit == 1 ? cell.metres : cell.tenths)
          << cell.text << " at " << cell.row << "," << cell.column;
    }
    EXPECT_TRUE(raster == ExpectedRaster(tile, unit)) << "raster differs from the model";
    EXPECT_EQ(Read("tile.hdr"), HeaderText("139.7500555556", "35.7499444444"));
  }
}

// The worked header lines: a seven-digit longitude is read as a single and
// its error shows; latitudes of eleven digits are read as doubles.
TEST_F(ConversionTest, HeaderCoordinatesMatchTheWorkedExamples) {
  struct Example {
    const char *lower, *upper, *ulxmap, *ulymap;
  };
  const Example examples[] = {
      {"35.333333333 139.5", "35.416666667 139.625", "139.5000555556", "35.4166111114"},
      {"35.25 139.7125", "35.333333333 139.8375", "139.7125494520", "35.3332777774"},
  };
  for (const Example& example : examples) {
    SCOPED_TRACE(example.lower);
    Clear();
    MakeTile({"--lower", example.lower, "--upper", example.upper});
    Outcome run = Convert("tile\n1\n\n");
    ASSERT_EQ(run.status, 0) << run.console;
    EXPECT_EQ(Read("tile.hdr"), HeaderText(example.ulxmap, example.ulymap));
  }
}

// Line-end variants read like CR LF; a final 0x1A is the end of the file. A
// name typed with its extension looks for the doubled name.
TEST_F(ConversionTest, VariantsOfTheSameTileReadTheSame) {
  MakeTile({"--seed", "3"}, "crlf.xml");
  MakeTile({"--seed", "3", "--ends", "cr", "--eof"}, "cr.xml");
  MakeTile({"--seed", "3", "--no-closing", "--eof"}, "mark.xml");
  MakeTile({"--seed", "3"}, "tile.xml.xml");
  ASSERT_EQ(Convert("crlf\n2\n\n").status, 0);
  for (const char* name : {"cr", "mark", "tile.xml"}) {
    SCOPED_TRACE(name);
    Outcome run = Convert(std::string(name) + "\n2\n\n");
    ASSERT_EQ(run.status, 0) << run.console;
    EXPECT_TRUE(Read(std::string(name) + ".bil") == Read("crlf.bil"));
    EXPECT_EQ(Read(std::string(name) + ".hdr"), Read("crlf.hdr"));
  }
}

// ------------------------------------------------------------ failures
// Every row of the routine's error table: the report names the statement and
// the code, the exit status is 1, and an error while reading leaves no file.
TEST_F(ConversionTest, ReadingErrorsStopAtTheirStatementWithoutOutput) {
  struct Case {
    const char* what;
    std::vector<std::string> options;
    const char* answers;
    int statement, code;
  };
  const Case cases[] = {
      {"missing tile", {}, "absent\n1\n\n", 24, 63},
      {"name typed with its extension", {}, "tile.xml\n1\n\n", 24, 63},
      {"lines end in LF only", {"--ends", "lf"}, "tile\n1\n\n", 29, 15},
      {"lowerCorner without a blank",
       {"--lower-line", "<gml:lowerCorner>35.5,139.5</gml:lowerCorner>"}, "tile\n1\n\n", 32, 5},
      {"lowerCorner without a closing tag",
       {"--lower-line", "<gml:lowerCorner>35.5 139.5"}, "tile\n1\n\n", 33, 5},
      {"upperCorner without a blank",
       {"--upper-line", "<gml:upperCorner>35.75</gml:upperCorner>"}, "tile\n1\n\n", 38, 5},
      {"upperCorner with its blank at 17",
       {"--upper-line", "<gml:upperCorner 35.75 139.875>"}, "tile\n1\n\n", 38, 5},
      {"lowerCorner indented with blanks",
       {"--lower-line", "  <gml:lowerCorner>35.5 139.5</gml:lowerCorner>"}, "tile\n1\n\n", 52, 5},
      {"upperCorner indented with a tab",
       {"--upper-line", "\t<gml:upperCorner>35.75 139.875</gml:upperCorner>"}, "tile\n1\n\n",
       52, 5},
      {"no lowerCorner line", {"--lower-line", "<gml:pos>35.5 139.5</gml:pos>"}, "tile\n1\n\n",
       52, 5},
      {"corner not a number",
       {"--lower-line", "<gml:lowerCorner>35.5 E139.5</gml:lowerCorner>"}, "tile\n1\n\n", 52, 5},
      {"tile cut off", {"--entries", "843749", "--no-closing"}, "tile\n1\n\n", 55, 54},
      {"closing tags read as entries", {"--entries", "843000"}, "tile\n1\n\n", 55, 58},
      {"value not a number", {"--set", "3,5=abc"}, "tile\n1\n\n", 55, 58},
      {"colon in a label", {"--label", "10,10=a:b"}, "tile\n1\n\n", 55, 58},
      {"extra field", {"--extra", "700,1=x"}, "tile\n1\n\n", 55, 58},
      {"tenths out of range", {"--set", "9,9=3276.8"}, "tile\n2\n\n", 60, 6},
      {"metres out of range", {"--set", "9,9=32767.5"}, "tile\n1\n\n", 60, 6},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.what);
    Clear();
    MakeTile(test.options);
    Outcome run = Convert(test.answers);
    ExpectError(run, test.statement, test.code);
    EXPECT_FALSE(Exists("tile.bil") || Exists("tile.hdr") || Exists("absent.bil") ||
                 Exists("tile.xml.bil"));
  }
}

// A new user's run names no machine hive: the program finds the build tree's
// one beside it, and the report goes on with the message library's line.
TEST_F(ConversionTest, BuildTreeHiveAddsTheMessageLine) {
  const char* named = std::getenv("TOLVEX_MACHINE_HIVE");
  const std::string isolated = named ? named : "";
  unsetenv("TOLVEX_MACHINE_HIVE");
  Outcome run = Convert("absent\n1\n\n");
  if (named) setenv("TOLVEX_MACHINE_HIVE", isolated.c_str(), 1);
  ExpectError(run, 24, 63);
  // The report's line, then the library's text for 63: ファイルが見つかりません
  const std::string message =
      "[63]\n\xE3\x83\x95\xE3\x82\xA1\xE3\x82\xA4\xE3\x83\xAB\xE3\x81\x8C\xE8\xA6\x8B\xE3\x81\xA4"
      "\xE3\x81\x8B\xE3\x82\x8A\xE3\x81\xBE\xE3\x81\x9B\xE3\x82\x93\n";
  EXPECT_NE(run.console.find(message), std::string::npos) << run.console;
}

TEST_F(ConversionTest, TileShorterThanItsHeaderStopsAtTheLineRead) {
  std::ofstream(Path("short.xml"), std::ios::binary) << "<?xml version=\"1.0\"?>\r\n<a>\r\n";
  ExpectError(Convert("short\n1\n\n"), 29, 54);
  EXPECT_FALSE(Exists("short.bil"));
}

// A second run finds its own outputs: the whole tile is read again, then the
// raster's open fails and neither old file changes. With the old header
// alone the raster is written in full, then the header's open fails.
TEST_F(ConversionTest, OldOutputsAreNeverOverwritten) {
  MakeTile({});
  ASSERT_EQ(Convert("tile\n1\n\n").status, 0);
  const std::string raster = Read("tile.bil"), header = Read("tile.hdr");
  ExpectError(Convert("tile\n2\n\n"), 66, 64);
  EXPECT_TRUE(Read("tile.bil") == raster);
  EXPECT_EQ(Read("tile.hdr"), header);
  fs::remove(Path("tile.bil"));
  ExpectError(Convert("tile\n2\n\n"), 74, 64);
  EXPECT_EQ(Read("tile.bil").size(), kRasterBytes);
  EXPECT_FALSE(Read("tile.bil") == raster);  // the new run's tenths
  EXPECT_EQ(Read("tile.hdr"), header);
}

// A disk that fills up while the raster is written (here a file size limit
// with its signal ignored, so the write fails with EFBIG): 67 at 69, and
// the partial raster the run created is gone, so the next run can start.
TEST_F(ConversionTest, AFailedWriteLeavesNoPartialRaster) {
  MakeTile({});
  ExpectError(Convert("tile\n1\n\n", "trap '' XFSZ; ulimit -f 1000;"), 69, 67);
  EXPECT_FALSE(Exists("tile.bil") || Exists("tile.hdr"));
  ASSERT_EQ(Convert("tile\n1\n\n").status, 0);
}

// ------------------------------------------------------------ GDAL
// The pair opens in GDAL's EHdr driver: 1125 x 750, origin half a cell
// north-west of ulxmap/ulymap. The driver takes "nodata = -9999" as nodata 0
// and the band as unsigned; the VRT that the README gives reads it signed
// with nodata -9999. Skipped where gdalinfo is not installed.
TEST_F(ConversionTest, GdalOpensThePairAndTheVrtReadsItSigned) {
  if (std::system("command -v gdalinfo >/dev/null 2>&1") != 0) GTEST_SKIP() << "no gdalinfo";
  MakeTile({"--lower", "35.333333333 139.5", "--upper", "35.416666667 139.625", "--set",
            "1,5=-3.7", "--set", "1,6=-9999."});
  ASSERT_EQ(Convert("tile\n1\n\n").status, 0);
  auto gdal = [&](const std::string& command) {
    std::string line = "cd " + Quote(dir_) + " && " + command + " > gdal.txt 2>&1";
    EXPECT_EQ(std::system(line.c_str()), 0) << command << "\n" << Read("gdal.txt");
    return Read("gdal.txt");
  };
  std::string info = gdal("gdalinfo tile.bil");
  EXPECT_NE(info.find("EHdr"), std::string::npos) << info;
  EXPECT_NE(info.find("Size is 1125, 750"), std::string::npos) << info;
  // 139.5000555556 - 0.000055555555 and 35.4166111114 + 0.000055555555.
  EXPECT_NE(info.find("Origin = (139.5000000000"), std::string::npos) << info;
  EXPECT_NE(info.find(",35.4166666669"), std::string::npos) << info;
  EXPECT_NE(info.find("Type=UInt16"), std::string::npos) << info;

  std::ofstream(Path("tile.vrt"))
      << "<VRTDataset rasterXSize=\"1125\" rasterYSize=\"750\">\n"
         "  <SRS>EPSG:6668</SRS>\n"
         "  <GeoTransform>139.500000000045, 0.00011111111, 0, "
         "35.416666666955, 0, -0.00011111111</GeoTransform>\n"
         "  <VRTRasterBand dataType=\"Int16\" band=\"1\" subClass=\"VRTRawRasterBand\">\n"
         "    <SourceFilename relativeToVRT=\"1\">tile.bil</SourceFilename>\n"
         "    <ImageOffset>0</ImageOffset><PixelOffset>2</PixelOffset>"
         "<LineOffset>2250</LineOffset><ByteOrder>LSB</ByteOrder>\n"
         "    <NoDataValue>-9999</NoDataValue>\n"
         "  </VRTRasterBand>\n"
         "</VRTDataset>\n";
  info = gdal("gdalinfo tile.vrt");
  EXPECT_NE(info.find("Type=Int16"), std::string::npos) << info;
  EXPECT_NE(info.find("NoData Value=-9999"), std::string::npos) << info;
  EXPECT_EQ(gdal("gdallocationinfo -valonly tile.vrt 4 0"), "-4\n");
  EXPECT_EQ(gdal("gdallocationinfo -valonly tile.vrt 5 0"), "-9999\n");
}

}  // namespace
}  // namespace tolvex::testing
