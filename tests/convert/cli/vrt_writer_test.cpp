// The VRT mosaic as text: source order by rank, placement in mosaic pixels,
// file names relative to the VRT, one CRS only.
#include "convert/cli/vrt_writer.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace tolvex::cli {
namespace {

constexpr Crs kJgd2011 = {6668, "JGD2011"};

MosaicTile Tile5m(std::string path, std::string name, int column, int row, Crs crs = kJgd2011) {
  return {std::move(path), std::move(name),
          {(2511000.0 + column) / 18000, (642900.0 - row) / 18000, 1.0 / 18000, 1.0 / 18000, 4, 4,
           crs}};
}

TEST(VrtWriter, PaintsFinerThenNewerTilesLast) {
  MosaicTile coarse = Tile5m("/out/coarse.bil", "FG-GML-5339-45-DEM10B-20140401", 0, 0);
  coarse.geometry.cell_x = coarse.geometry.cell_y = 1.0 / 9000;   // 4 x 4 cells of 10 m
  const std::string vrt = MosaicVrt(
      {Tile5m("/out/new.tif", "FG-GML-5339-45-00-DEM5A-20161001", 6, 2),
       Tile5m("/data/unknown.bil", "elevation", 8, 8), coarse,
       Tile5m("/out/sub/old.bil", "FG-GML-5339-45-00-DEM5A-20101001", 2, 2)},
      Unit::kTenths, "/out/");
  const size_t unknown = vrt.find("\"0\">/data/unknown.bil<");
  const size_t coarse_at = vrt.find("\"1\">coarse.bil<");
  const size_t old_at = vrt.find("\"1\">sub/old.bil<");
  const size_t new_at = vrt.find("\"1\">new.tif<");
  ASSERT_NE(new_at, std::string::npos) << vrt;
  EXPECT_TRUE(unknown < coarse_at && coarse_at < old_at && old_at < new_at) << vrt;

  // The mosaic spans pixels 0..11 both ways at 5 m, from the coarse tile's corner.
  EXPECT_NE(vrt.find("<VRTDataset rasterXSize=\"12\" rasterYSize=\"12\">"), std::string::npos);
  EXPECT_NE(vrt.find("<SRS dataAxisToSRSAxisMapping=\"2,1\">EPSG:6668</SRS>"), std::string::npos);
  EXPECT_NE(vrt.find("<GeoTransform>139.5, 5.5555555555555558e-05, 0, 35.716666666666669, 0, "
                     "-5.5555555555555558e-05</GeoTransform>"),
            std::string::npos);
  EXPECT_NE(vrt.find("<VRTRasterBand dataType=\"Int16\" band=\"1\">\n"
                     "    <NoDataValue>-9999</NoDataValue>"),
            std::string::npos);
  const char* source_of_new =
      "<SourceProperties RasterXSize=\"4\" RasterYSize=\"4\" DataType=\"Int16\" "
      "BlockXSize=\"256\" BlockYSize=\"256\"/>\n"
      "      <SrcRect xOff=\"0\" yOff=\"0\" xSize=\"4\" ySize=\"4\"/>\n"
      "      <DstRect xOff=\"6\" yOff=\"2\" xSize=\"4\" ySize=\"4\"/>\n"
      "      <NODATA>-9999</NODATA>";
  EXPECT_NE(vrt.find(source_of_new, new_at), std::string::npos) << vrt;
  EXPECT_NE(vrt.find("BlockXSize=\"4\" BlockYSize=\"1\"/>\n"
                     "      <SrcRect xOff=\"0\" yOff=\"0\" xSize=\"4\" ySize=\"4\"/>\n"
                     "      <DstRect xOff=\"0\" yOff=\"0\" xSize=\"8\" ySize=\"8\"/>",
                     coarse_at),
            std::string::npos);
  EXPECT_NE(MosaicVrt({coarse}, Unit::kFloat, "/out").find("dataType=\"Float32\""),
            std::string::npos);
}

TEST(VrtWriter, RefusesTilesInDifferentCrss) {
  std::vector<MosaicTile> tiles;
  for (int i = 0; i < 3; ++i) tiles.push_back(Tile5m("a.bil", "a", 0, 0, {4612, "JGD2000"}));
  tiles.push_back(Tile5m("b.bil", "b", 0, 0, {4301, "Tokyo"}));
  for (int i = 0; i < 5; ++i) tiles.push_back(Tile5m("c.bil", "c", 0, 0));
  try {
    MosaicVrt(tiles, Unit::kMetres, ".");
    ADD_FAILURE() << "no error";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(),
                 "tiles in different CRSs: EPSG:6668 (5 tiles), EPSG:4612 (3 tiles), "
                 "EPSG:4301 (1 tile)");
  }
  EXPECT_THROW(MosaicVrt({}, Unit::kMetres, "."), std::runtime_error);
}

}  // namespace
}  // namespace tolvex::cli
