// GDAL reads what the writers make: type, nodata, exact cell size, origin and
// EPSG:6668 of the BIL (through its .prj) and the GeoTIFF, and the VRT
// mosaic's pixels where tiles overlap. Skipped without GDAL's tools.
#include <gtest/gtest.h>

#include <tuple>

#include "convert/cli/bil_writer.h"
#include "convert/cli/tiff_writer.h"
#include "convert/cli/vrt_writer.h"
#include "tests/convert/test_inputs.h"

namespace tolvex::cli {
namespace {

using namespace std::string_literals;

// `cells` square cells of 1/per_degree, `column` and `row` cells off 139.5 E, 642900/18000 N.
Geometry Grid(int per_degree, int column, int row, int cells) {
  return {(139.5 * per_degree + column) / per_degree,
          (642900.0 / 18000 * per_degree - row) / per_degree, 1.0 / per_degree, 1.0 / per_degree,
          cells, cells, {6668, "JGD2011"}};
}

TEST(GdalReadback, ReadsTheTilesAndTheirMosaic) {
  if (std::system("command -v gdalinfo >/dev/null 2>&1") != 0) GTEST_SKIP() << "no GDAL tools";
  const testing::ScratchDir dir;  // of its own: runs may overlap
  // Writes the files; the path of the raster (the first file).
  auto write = [&](const std::string& base, const std::vector<OutputFile>& files) {
    for (const OutputFile& file : files) dir.Write(base + file.extension, file.bytes);
    return dir.Path(base + files[0].extension);
  };
  // What the commands print on stdout.
  auto output = [&](const std::string& commands) {
    dir.Run("{ " + commands + "; } >shown.txt");
    return dir.Read("shown.txt");
  };
  const std::tuple<Tile, std::string, Compression, std::string> rows[] = {
      {Tile{{}, Unit::kMetres, {-9999, 1234, -3, 0, 0, 0, 0, 0, 0}, {}}, "Int16",
       Compression::kDeflate, "-9999\n1234\n-3\n"},
      {Tile{{}, Unit::kFloat, {}, {-9999, 12.5f, -3.25f, 0, 0, 0, 0, 0, 0}}, "Float32",
       Compression::kZstd, "-9999\n12.5\n-3.25\n"}};
  for (const auto& [tile, type, compression, first_cells] : rows)
    for (const std::string& path :
         {write(type, BilFiles(tile, Grid(18000, 0, 0, 3))),
          write(type + "_tiff", TiffFiles(tile, Grid(18000, 0, 0, 3), compression))}) {
      // A VRT copy shows the GeoTransform with 17 digits; gdalinfo rounds it.
      const std::string shown = output(
          "gdal_translate -q -of VRT " + path + " /vsistdout/; gdalsrsinfo -e " + path +
          "; printf '0 0\\n1 0\\n2 0\\n' | gdallocationinfo -valonly " + path);
      for (const std::string& expected :
           {"dataType=\"" + type + "\"", "<NoDataValue>-9999</NoDataValue>"s,
            "<GeoTransform>  1.3950000000000000e+02,  5.5555555555555558e-05,  "
            "0.0000000000000000e+00,  3.5716666666666669e+01,  "
            "0.0000000000000000e+00, -5.5555555555555558e-05</GeoTransform>"s,
            "EPSG:6668\n"s, first_cells})
        EXPECT_NE(shown.find(expected), std::string::npos) << path << " lacks " << expected;
    }

  // In 5 m pixels: a 10 m tile over 0..3, an older 5 m GeoTIFF over 1..2 with
  // an empty first cell, a newer 5 m tile over 2..3; given out of rank order.
  const Geometry coarse = Grid(9000, 0, 0, 2), older = Grid(18000, 1, 1, 2),
                 newer = Grid(18000, 2, 2, 2);
  const std::vector<MosaicTile> tiles = {
      {write("new", BilFiles({{}, Unit::kMetres, {700, 701, 702, 703}, {}}, newer)),
       "DEM5A-20200101", newer},
      {write("coarse", BilFiles({{}, Unit::kMetres, {100, 101, 102, 103}, {}}, coarse)), "DEM10B",
       coarse},
      {write("old", TiffFiles({{}, Unit::kMetres, {-9999, 501, 502, 503}, {}}, older,
                              Compression::kDeflate)),
       "DEM5A-20161001", older}};
  dir.Write("m.vrt", MosaicVrt(tiles, Unit::kMetres, dir.Path("")));
  // Read whole: GDAL 3.6's gdallocationinfo ignores the sources' NODATA in a
  // VRT (a GDAL bug, 7183), so single points would show -9999 over the 10 m tile.
  EXPECT_EQ(output("gdal_translate -q -of AAIGrid m.vrt /vsistdout/ | grep '^ '"),
            " 100 100 101 101\n"
            " 100 100 501 101\n"   // the older tile's empty cell shows the 10 m one
            " 102 502 700 701\n"   // the newer tile over the older
            " 102 102 702 703\n");
}

}  // namespace
}  // namespace tolvex::cli
