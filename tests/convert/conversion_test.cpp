// End-to-end tests of the dialogue: the real tolvex program runs on tiles
// made by tolvex-make-tile, answered through its standard input, and the
// .bil and .hdr files it leaves are checked byte for byte.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "tests/convert/test_inputs.h"

namespace tolvex::testing {
namespace {

constexpr size_t kRasterBytes = 750 * 1125 * 2;

std::string HeaderText(const char* ulxmap, const char* ulymap) {
  return std::string("nrows 750\r\nncols 1125\r\nnbands 1\r\nnbits 16\r\n"
                     "nodata = -9999\r\nbyteorder I\r\nlayout bil\r\n") +
         "ulxmap " + ulxmap + "\r\nulymap " + ulymap +
         "\r\nxdim 0.00011111111\r\nydim 0.00011111111\r\nskipbytes 0\r\n\x1A";
}

int16_t Sample(const std::string& raster, int row, int column) {
  const size_t at = 2 * static_cast<size_t>((row - 1) * 1125 + column - 1);
  return static_cast<int16_t>(uint8_t(raster[at]) | uint8_t(raster[at + 1]) << 8);
}

struct Outcome {
  int status;
  std::string console;  // what the console showed, UTF-8
};

class ConversionTest : public ::testing::Test {
 protected:
  // The program run on `answers`, its configuration (the error record) kept
  // in the directory. A sanitizer's report exits with 86, so it cannot pass
  // for the status 1 of a runtime error. `shell_setup` runs first.
  Outcome Convert(const std::string& answers, const std::string& shell_setup = "") {
    dir_.Write("answers", answers);
    const int status = dir_.Run(
        shell_setup + " HOME=$PWD XDG_CONFIG_HOME=$PWD"
        " ASAN_OPTIONS=exitcode=86${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
        " UBSAN_OPTIONS=exitcode=86${UBSAN_OPTIONS:+:$UBSAN_OPTIONS} " +
        Quote(TOLVEX_BINARY_DIR "/tolvex") + " <answers >console 2>&1");
    return {status, dir_.Read("console")};
  }

  // A run that must stop with `code` at `statement`: the report names both,
  // the exit status is 1.
  void ExpectError(const Outcome& run, int statement, int code) {
    const std::string report =
        "Tolvex [" + std::to_string(statement) + "行]:エラー[" + std::to_string(code) + "]";
    EXPECT_NE(run.console.find(report), std::string::npos) << report << " in:\n" << run.console;
    EXPECT_EQ(run.status, 1);
  }

  ScratchDir dir_;
};

// ------------------------------------------------------------ conversions
// Chosen values at chosen cells with their metres and tenths; the rest of
// the tile is the generator's terrain, where the raster must equal the one
// `tolvex convert` writes (its own reading, the same cell arithmetic).
const struct Cell {
  int row, column;
  const char* text;
  int16_t metres, tenths;
} kCellsTable[] = {
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

// Both units from one tile, whose header is the worked example of a west
// edge read exactly.
TEST_F(ConversionTest, MetresAndTenthsComeOutByteForByte) {
  std::string options = "--seed 7 --lower '35.333333333 139.5' --upper '35.416666667 139.625' "
                        "--srs fguuid:jgd2011.bl";  // ignored by the dialogue, needed by convert
  for (const Cell& cell : kCellsTable)
    options += " --set " + std::to_string(cell.row) + "," + std::to_string(cell.column) + "=" +
               cell.text;
  dir_.MakeTile("tile.xml", options);
  // In tenths the unit question comes once for each of the wrong units 0, 3
  // and -1 and then for the 2, without any message.
  const std::string ask = "標高　ｍ単位(1) or 10cm単位(2) :? ";
  const struct {
    int unit;
    std::string convert_unit, answers, asked;
  } runs[] = {{1, "m", "1\n", ask + "1\n"},
              {10, "dm", "0\n3\n-1\n2\n", ask + "0\n" + ask + "3\n" + ask + "-1\n" + ask + "2\n"}};
  for (const auto& [unit, convert_unit, answers, asked] : runs) {
    SCOPED_TRACE(unit);
    for (const char* old : {"tile.bil", "tile.hdr"}) std::filesystem::remove(dir_.Path(old));
    Outcome run = Convert("tile\n" + answers + "\n");
    ASSERT_EQ(run.status, 0) << run.console;
    EXPECT_EQ(run.console, "File Name xxxxxx.XML? tile\n" + asked +
                               "tile.xmlを読み込み中\ntile.bil ファイル出力中\n変換処理終了? \n");
    std::string raster = dir_.Read("tile.bil");
    ASSERT_EQ(raster.size(), kRasterBytes);
    for (const Cell& cell : kCellsTable)
      EXPECT_EQ(Sample(raster, cell.row, cell.column), unit == 1 ? cell.metres : cell.tenths)
          << cell.text << " at " << cell.row << "," << cell.column;
    ASSERT_EQ(dir_.Run(Quote(TOLVEX_BINARY_DIR "/tolvex") + " convert -q -u " + convert_unit +
                       " -o " + convert_unit + " tile.xml"), 0);
    EXPECT_TRUE(raster == dir_.Read(convert_unit + "/tile.bil")) << "differs from convert's";
    EXPECT_EQ(dir_.Read("tile.hdr"), HeaderText("139.5000555556", "35.4166111114"));
  }
}

// Line-end variants read like CR LF; a final 0x1A ends the file. A name typed
// with its extension looks for the doubled name. The header: the seven-digit
// longitude read as a single shows its error; eleven-digit latitudes do not.
TEST_F(ConversionTest, VariantsOfTheSameTileReadTheSame) {
  const std::string tile = "--seed 3 --lower '35.25 139.7125' --upper '35.333333333 139.8375' ";
  dir_.MakeTile("crlf.xml", tile);
  dir_.MakeTile("cr.xml", tile + "--ends cr --eof");
  dir_.MakeTile("mark.xml", tile + "--no-closing --eof");
  dir_.MakeTile("tile.xml.xml", tile);
  ASSERT_EQ(Convert("crlf\n2\n\n").status, 0);
  EXPECT_EQ(dir_.Read("crlf.hdr"), HeaderText("139.7125494520", "35.3332777774"));
  for (const std::string name : {"cr", "mark", "tile.xml"}) {
    SCOPED_TRACE(name);
    Outcome run = Convert(name + "\n2\n\n");
    ASSERT_EQ(run.status, 0) << run.console;
    EXPECT_TRUE(dir_.Read(name + ".bil") == dir_.Read("crlf.bil"));
    EXPECT_EQ(dir_.Read(name + ".hdr"), dir_.Read("crlf.hdr"));
  }
}

// ------------------------------------------------------------ failures
// Every row of the routine's error table: the report names the statement and
// the code, the exit status is 1, and an error while reading leaves no file.
TEST_F(ConversionTest, ReadingErrorsStopAtTheirStatementWithoutOutput) {
  const struct {
    const char* options;  // of tolvex-make-tile; no options: the tile's text
    int statement, code;
    const char* answers = "tile\n1\n\n";
  } cases[] = {
      {"", 24, 63, "absent\n1\n\n"},
      {"", 24, 63, "tile.xml\n1\n\n"},  // the name typed with its extension
      {nullptr, 29, 54},  // the tile ends inside its header
      {"--ends lf", 29, 15},
      {"--lower-line '<gml:lowerCorner>35.5,139.5</gml:lowerCorner>'", 32, 5},
      {"--lower-line '<gml:lowerCorner>35.5 139.5'", 33, 5},
      {"--upper-line '<gml:upperCorner>35.75</gml:upperCorner>'", 38, 5},
      {"--upper-line '<gml:upperCorner 35.75 139.875>'", 38, 5},  // its blank at 17
      {"--lower-line '  <gml:lowerCorner>35.5 139.5</gml:lowerCorner>'", 52, 5},
      {"--upper-line '\t<gml:upperCorner>35.75 139.875</gml:upperCorner>'", 52, 5},
      {"--lower-line '<gml:pos>35.5 139.5</gml:pos>'", 52, 5},
      {"--lower-line '<gml:lowerCorner>35.5 E139.5</gml:lowerCorner>'", 52, 5},
      {"--entries 843749 --no-closing", 55, 54},   // cut off
      {"--entries 843000", 55, 58},                // closing tags read as entries
      {"--set 3,5=abc", 55, 58},
      {"--label 10,10=a:b", 55, 58},
      {"--extra 700,1=x", 55, 58},
      {"--set 9,9=3276.8", 60, 6, "tile\n2\n\n"},
      {"--set 9,9=32767.5", 60, 6},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(std::string(test.options ? test.options : "short header") + " " + test.answers);
    if (test.options) dir_.MakeTile("tile.xml", test.options);
    else dir_.Write("tile.xml", "<?xml version=\"1.0\"?>\r\n<a>\r\n");
    ExpectError(Convert(test.answers), test.statement, test.code);
    EXPECT_FALSE(dir_.Exists("tile.bil") || dir_.Exists("tile.hdr") ||
                 dir_.Exists("absent.bil") || dir_.Exists("tile.xml.bil"));
  }
  // A new user's run names no machine hive: the program finds the build
  // tree's one beside it, and the report goes on with the library's text.
  Outcome run = Convert("absent\n1\n\n", "unset TOLVEX_MACHINE_HIVE;");
  ExpectError(run, 24, 63);
  EXPECT_NE(run.console.find("[63]\nファイルが見つかりません\n"), std::string::npos) << run.console;
}

// A disk filling up while the raster is written (a file size limit, its
// signal ignored: EFBIG) gives 67 at 69 and leaves no partial raster. A second
// run reads the whole tile again, then the raster's open fails and neither
// old file changes; with the old header alone the raster is written in full,
// then the header's open fails.
TEST_F(ConversionTest, OutputsAreNeverOverwrittenNorLeftPartial) {
  dir_.MakeTile("tile.xml", "");
  ExpectError(Convert("tile\n1\n\n", "trap '' XFSZ; ulimit -f 1000;"), 69, 67);
  EXPECT_FALSE(dir_.Exists("tile.bil") || dir_.Exists("tile.hdr"));
  ASSERT_EQ(Convert("tile\n1\n\n").status, 0);
  const std::string raster = dir_.Read("tile.bil"), header = dir_.Read("tile.hdr");
  ExpectError(Convert("tile\n2\n\n"), 66, 64);
  EXPECT_TRUE(dir_.Read("tile.bil") == raster);
  EXPECT_EQ(dir_.Read("tile.hdr"), header);
  std::filesystem::remove(dir_.Path("tile.bil"));
  ExpectError(Convert("tile\n2\n\n"), 74, 64);
  EXPECT_EQ(dir_.Read("tile.bil").size(), kRasterBytes);
  EXPECT_FALSE(dir_.Read("tile.bil") == raster);  // the new run's tenths
  EXPECT_EQ(dir_.Read("tile.hdr"), header);
}

// The pair opens in GDAL's EHdr driver, 1125 x 750 with its origin half a
// cell north-west of ulxmap/ulymap; the driver reads the band unsigned, and
// the VRT the README gives reads it signed with nodata -9999.
TEST_F(ConversionTest, GdalOpensThePairAndTheVrtReadsItSigned) {
  if (dir_.Run("command -v gdalinfo >/dev/null") != 0) GTEST_SKIP() << "no gdalinfo";
  dir_.MakeTile("tile.xml", "--lower '35.333333333 139.5' --upper '35.416666667 139.625' "
                            "--set 1,5=-3.7 --set 1,6=-9999.");
  ASSERT_EQ(Convert("tile\n1\n\n").status, 0);
  const auto gdal = [&](const std::string& command) {
    EXPECT_EQ(dir_.Run(command + " >gdal.txt 2>&1"), 0) << command << dir_.Read("gdal.txt");
    return dir_.Read("gdal.txt");
  };
  std::string info = gdal("gdalinfo tile.bil");
  for (const char* shown :
       {"EHdr", "Size is 1125, 750", "Origin = (139.5000000000", ",35.4166666669", "Type=UInt16"})
    EXPECT_NE(info.find(shown), std::string::npos) << shown << " in:\n" << info;
  dir_.Write("tile.vrt",
             "<VRTDataset rasterXSize=\"1125\" rasterYSize=\"750\"><SRS>EPSG:6668</SRS>\n"
             "<GeoTransform>139.500000000045, 0.00011111111, 0, 35.416666666955, 0, "
             "-0.00011111111</GeoTransform>\n"
             "<VRTRasterBand dataType=\"Int16\" band=\"1\" subClass=\"VRTRawRasterBand\">\n"
             "<SourceFilename relativeToVRT=\"1\">tile.bil</SourceFilename><ImageOffset>0"
             "</ImageOffset><PixelOffset>2</PixelOffset><LineOffset>2250</LineOffset>"
             "<ByteOrder>LSB</ByteOrder><NoDataValue>-9999</NoDataValue>\n"
             "</VRTRasterBand></VRTDataset>\n");
  info = gdal("gdalinfo tile.vrt");
  for (const char* shown : {"Type=Int16", "NoData Value=-9999"})
    EXPECT_NE(info.find(shown), std::string::npos) << shown << " in:\n" << info;
  EXPECT_EQ(gdal("gdallocationinfo -valonly tile.vrt 4 0"), "-4\n");
  EXPECT_EQ(gdal("gdallocationinfo -valonly tile.vrt 5 0"), "-9999\n");
}

}  // namespace
}  // namespace tolvex::testing
