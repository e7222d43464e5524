// The VRT mosaic as text: source order by rank, placement in mosaic pixels,
// file names relative to the VRT, one CRS only.
#include "convert/cli/vrt_writer.h"

#include <gtest/gtest.h>

namespace tolvex::cli {
namespace {

// 4 x 4 cells of 5 m, `column` and `row` cells off 139.5 E, 642900/18000 N.
MosaicTile Tile5m(std::string path, std::string name, int column, int row, int epsg = 6668) {
  return {std::move(path), std::move(name),
          {(2511000.0 + column) / 18000, (642900.0 - row) / 18000, 1.0 / 18000, 1.0 / 18000, 4, 4,
           {epsg, ""}}};
}

TEST(VrtWriter, PaintsFinerThenNewerTilesLastInOneCrs) {
  MosaicTile coarse = Tile5m("/out/coarse.bil", "FG-GML-5339-45-DEM10B-20140401", 0, 0);
  coarse.geometry.cell_x = coarse.geometry.cell_y = 1.0 / 9000;   // 4 x 4 cells of 10 m
  const std::string vrt = MosaicVrt({Tile5m("/out/new.TIF", "X-DEM5A-20161001", 6, 2),
                                     Tile5m("/data/unknown.bil", "elevation", 8, 8), coarse,
                                     Tile5m("/out/sub/o&d.bil", "X-DEM5A-20101001", 2, 2)},
                                    Unit::kTenths, "/out/");
  // In this order: the mosaic spans pixels 0..11 both ways at 5 m from the
  // coarse tile's corner; its sources go from the lowest rank up.
  size_t at = 0;
  for (const char* expected : {
           "<VRTDataset rasterXSize=\"12\" rasterYSize=\"12\">\n"
           "  <SRS dataAxisToSRSAxisMapping=\"2,1\">EPSG:6668</SRS>\n"
           "  <GeoTransform>139.5, 5.5555555555555558e-05, 0, 35.716666666666669, 0, "
           "-5.5555555555555558e-05</GeoTransform>\n"
           "  <VRTRasterBand dataType=\"Int16\" band=\"1\">\n"
           "    <NoDataValue>-9999</NoDataValue>",
           "\"0\">/data/unknown.bil<", "\"1\">coarse.bil<",
           "BlockXSize=\"4\" BlockYSize=\"1\"/>\n"
           "      <SrcRect xOff=\"0\" yOff=\"0\" xSize=\"4\" ySize=\"4\"/>\n"
           "      <DstRect xOff=\"0\" yOff=\"0\" xSize=\"8\" ySize=\"8\"/>",
           "\"1\">sub/o&amp;d.bil<", "\"1\">new.TIF<", "BlockXSize=\"256\" BlockYSize=\"256\"/>",
           "<DstRect xOff=\"6\" yOff=\"2\" xSize=\"4\" ySize=\"4\"/>\n"
           "      <NODATA>-9999</NODATA>"}) {
    at = vrt.find(expected, at);
    ASSERT_NE(at, std::string::npos) << "in order: " << expected << "\n" << vrt;
  }
  EXPECT_NE(MosaicVrt({coarse}, Unit::kFloat, "/out").find("dataType=\"Float32\""),
            std::string::npos);
  // Neither no tiles nor tiles in different CRSs make a mosaic.
  std::vector<MosaicTile> tiles(5, Tile5m("b.bil", "b", 0, 0));
  tiles.insert(tiles.begin(), Tile5m("a.bil", "a", 0, 0, 4612));
  try {
    MosaicVrt(tiles, Unit::kMetres, ".");
    ADD_FAILURE() << "no error";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "tiles in different CRSs: EPSG:6668 (5 tiles), EPSG:4612 (1 tile)");
  }
  EXPECT_THROW(MosaicVrt({}, Unit::kMetres, "."), std::runtime_error);
}

}  // namespace
}  // namespace tolvex::cli
