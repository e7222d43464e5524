// The BIL files of a tile: header text, raster byte layout, the .prj.
#include "convert/cli/bil_writer.h"

#include <gtest/gtest.h>

#include "convert/cli/crs.h"

namespace tolvex::cli {
namespace {

// The 5 m geometry of the header's worked example, 3 x 2 cells.
const Geometry kGeometry = {139.5, 642900.0 / 18000, 1.0 / 18000, 1.0 / 18000, 3, 2,
                            {6668, "JGD2011"}};

std::string Header(const char* nbits, const char* pixeltype) {
  return std::string("nrows 2\nncols 3\nnbands 1\nnbits ") + nbits + "\npixeltype " + pixeltype +
         "\nbyteorder I\nlayout bil\nulxmap 139.50002777777777\nulymap 35.716638888888887\n"
         "xdim 5.5555555555555558e-05\nydim 5.5555555555555558e-05\nnodata -9999\n";
}

TEST(BilWriter, WritesLittleEndianCellsNorthToSouthAndTheirHeader) {
  const std::vector<OutputFile> int16 =
      BilFiles({{}, Unit::kTenths, {-9999, 1, 258, -2, 32767, 0}, {}}, kGeometry);
  ASSERT_EQ(int16.size(), 3u);
  EXPECT_EQ(int16[0].extension + int16[1].extension + int16[2].extension, ".bil.hdr.prj");
  EXPECT_EQ(int16[0].bytes, std::string("\xF1\xD8\x01\x00\x02\x01\xFE\xFF\xFF\x7F\x00\x00", 12));
  EXPECT_EQ(int16[1].bytes, Header("16", "signedint"));
  EXPECT_EQ(int16[2].bytes, EsriWkt(6668));
  const std::vector<OutputFile> float32 =
      BilFiles({{}, Unit::kFloat, {}, {-9999, 1.5f, -0.25f, 0, 2, -1}}, kGeometry);
  EXPECT_EQ(float32[0].bytes, std::string("\x00\x3C\x1C\xC6\x00\x00\xC0\x3F\x00\x00\x80\xBE"
                                          "\0\0\0\0\x00\x00\x00\x40\x00\x00\x80\xBF", 24));
  EXPECT_EQ(float32[1].bytes, Header("32", "float"));

  // No .prj for a CRS without one; cells that do not fill the geometry refused.
  Tile tile{{}, Unit::kMetres, std::vector<int16_t>(6), {}};
  Geometry geometry = kGeometry;
  geometry.crs = {};
  EXPECT_EQ(BilFiles(tile, geometry).size(), 2u);
  tile.unit = Unit::kFloat;   // its float cells are missing
  EXPECT_THROW(BilFiles(tile, geometry), std::invalid_argument);
  tile.unit = Unit::kMetres;
  geometry.rows = 1;
  EXPECT_THROW(BilFiles(tile, geometry), std::invalid_argument);
}

}  // namespace
}  // namespace tolvex::cli
