// GDAL reads what the writers make: type, nodata, exact cell size and
// origin, EPSG:6668 from the BIL (through its .prj) and the GeoTIFF, and the
// VRT mosaic's size and pixels where tiles overlap. Skipped without GDAL's
// command-line tools.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "convert/cli/bil_writer.h"
#include "convert/cli/tiff_writer.h"
#include "convert/cli/vrt_writer.h"

namespace tolvex::cli {
namespace {

std::string Output(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  char buffer[4096];
  for (size_t n; pipe != nullptr && (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    output.append(buffer, n);
  if (pipe != nullptr) pclose(pipe);
  return output;
}

Tile Int16Tile(int first, int count) {
  Tile tile;
  for (int i = 0; i < count; ++i) tile.cells16.push_back(int16_t(first + i));
  return tile;
}

// `cells` square cells of 1/per_degree from `column`, `row` steps of that
// size east and south of 139.5 E, 642900/18000 N.
Geometry Grid(int per_degree, int column, int row, int cells) {
  return {(139.5 * per_degree + column) / per_degree,
          (642900.0 / 18000 * per_degree - row) / per_degree, 1.0 / per_degree, 1.0 / per_degree,
          cells, cells, {6668, "JGD2011"}};
}

class GdalReadback : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::system("command -v gdalinfo >/dev/null 2>&1") != 0) GTEST_SKIP() << "no GDAL tools";
    std::string pattern = ::testing::TempDir() + "gdal_readback_XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    directory_ = pattern;
  }
  void TearDown() override {
    if (!directory_.empty()) std::filesystem::remove_all(directory_);
  }
  // Writes the files; the path of the raster (the first file).
  std::string Write(const std::string& base, const std::vector<OutputFile>& files) {
    for (const OutputFile& file : files)
      std::ofstream(directory_ + "/" + base + file.extension, std::ios::binary) << file.bytes;
    return directory_ + "/" + base + files[0].extension;
  }
  std::string directory_;
};

TEST_F(GdalReadback, ReadsTypeNodataGeoTransformEpsgAndCells) {
  Tile int16 = Int16Tile(1233, 9);
  int16.cells16[0] = -9999;
  Tile float32;
  float32.unit = Unit::kFloat;
  float32.cells32 = {-9999.0f, 12.5f, -3.25f, 0, 0, 0, 0, 0, 0};
  const Geometry geometry = Grid(18000, 0, 0, 3);
  const struct {
    std::string path, type, first_cells;
  } files[] = {
      {Write("int", BilFiles(int16, geometry)), "Int16", "-9999\n1234\n1235\n"},
      {Write("float", BilFiles(float32, geometry)), "Float32", "-9999\n12.5\n-3.25\n"},
      {Write("int_tiff", TiffFiles(int16, geometry, Compression::kDeflate)), "Int16",
       "-9999\n1234\n1235\n"},
      {Write("float_tiff", TiffFiles(float32, geometry, Compression::kZstd)), "Float32",
       "-9999\n12.5\n-3.25\n"},
  };
  for (const auto& file : files) {
    SCOPED_TRACE(file.path);
    // A VRT copy shows the GeoTransform with 17 digits; gdalinfo rounds it.
    const std::string vrt = Output("gdal_translate -q -of VRT '" + file.path + "' /vsistdout/");
    EXPECT_NE(vrt.find("dataType=\"" + file.type + "\""), std::string::npos) << vrt;
    EXPECT_NE(vrt.find("<NoDataValue>-9999</NoDataValue>"), std::string::npos);
    EXPECT_NE(vrt.find("<GeoTransform>  1.3950000000000000e+02,  5.5555555555555558e-05,  "
                       "0.0000000000000000e+00,  3.5716666666666669e+01,  "
                       "0.0000000000000000e+00, -5.5555555555555558e-05</GeoTransform>"),
              std::string::npos);
    EXPECT_NE(Output("gdalsrsinfo -e '" + file.path + "'").find("EPSG:6668"), std::string::npos);
    EXPECT_EQ(Output("printf '0 0\\n1 0\\n2 0\\n' | gdallocationinfo -valonly '" + file.path + "'"),
              file.first_cells);
  }
}

// In 5 m pixels: a 10 m tile (DEM10B) over 0..7, an older 5 m tile (DEM5A
// 2016, GeoTIFF) over 2..5 with an empty first cell, a newer one (2020) over
// 4..5, and a tile of unknown product over columns 6..9, rows 0..3.
TEST_F(GdalReadback, MosaicShowsFinerAndNewerTilesOnTop) {
  Tile old_tile = Int16Tile(500, 16);
  old_tile.cells16[0] = -9999;
  const std::vector<MosaicTile> tiles = {
      {Write("new", BilFiles(Int16Tile(700, 4), Grid(18000, 4, 4, 2))),
       "FG-GML-5339-45-00-DEM5A-20200101", Grid(18000, 4, 4, 2)},
      {Write("coarse", BilFiles(Int16Tile(100, 16), Grid(9000, 0, 0, 4))),
       "FG-GML-5339-45-DEM10B-20140401", Grid(9000, 0, 0, 4)},
      {Write("old", TiffFiles(old_tile, Grid(18000, 2, 2, 4), Compression::kDeflate)),
       "FG-GML-5339-45-00-DEM5A-20161001", Grid(18000, 2, 2, 4)},
      {Write("unknown", BilFiles(Int16Tile(900, 16), Grid(18000, 6, 0, 4))), "elevation",
       Grid(18000, 6, 0, 4)},
  };
  const std::string vrt = directory_ + "/mosaic.vrt";
  std::ofstream(vrt) << MosaicVrt(tiles, Unit::kMetres, directory_);
  EXPECT_NE(Output("gdalsrsinfo -e '" + vrt + "'").find("EPSG:6668"), std::string::npos);

  // Read whole: GDAL 3.6.2's gdallocationinfo reads a VRT through a complex
  // buffer that ignores the sources' NODATA (GDAL issue 7183), so single
  // points would show -9999 where the 10 m tile shows through.
  std::istringstream grid(Output("gdal_translate -q -of AAIGrid '" + vrt + "' /vsistdout/"));
  std::string text;
  for (std::string line; std::getline(grid, line);)
    if (line.starts_with("n") || line.starts_with(" ")) text += line + "\n";
  EXPECT_EQ(text,
            "ncols        10\nnrows        8\n"
            // 10 m tile | unknown tile (under the 10 m one where they meet)
            " 100 100 101 101 102 102 103 103 902 903\n"
            " 100 100 101 101 102 102 103 103 906 907\n"
            // the older 5 m tile from (2,2), its empty first cell showing 105
            " 104 104 105 501 502 503 107 107 910 911\n"
            " 104 104 504 505 506 507 107 107 914 915\n"
            // the newer 5 m tile at (4,4) over the older one; no tile east
            " 108 108 508 509 700 701 111 111 -9999 -9999\n"
            " 108 108 512 513 702 703 111 111 -9999 -9999\n"
            " 112 112 113 113 114 114 115 115 -9999 -9999\n"
            " 112 112 113 113 114 114 115 115 -9999 -9999\n");
}

}  // namespace
}  // namespace tolvex::cli
