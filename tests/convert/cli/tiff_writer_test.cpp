// The GeoTIFF of a tile, read back with libtiff: structure, GeoTIFF tags and
// the decompressed cells, padding included, for each cell type and compression.
#include "convert/cli/tiff_writer.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <future>
#include <tuple>

#include "tests/convert/test_inputs.h"

namespace tolvex::cli {
namespace {

// 300 x 260 cells: four TIFF tiles, three of them padded.
const Geometry kGeometry = {139.5, 642900.0 / 18000, 1.0 / 18000, 1.0 / 18000, 300, 260,
                            {6668, "JGD2011"}};

// Cell (x, y) of the tile, -9999 beyond the raster.
double CellValue(int x, int y) {
  const int i = y * 300 + x;
  return x >= 300 || y >= 260 || i % 97 == 0 ? -9999 : i % 3001 - 500.5;
}

template <typename Cell>
std::vector<Cell> Cells() {
  std::vector<Cell> cells;
  for (int i = 0; i < 300 * 260; ++i) cells.push_back(Cell(CellValue(i % 300, i / 300)));
  return cells;
}

// The four TIFF tiles read back, padding included.
template <typename Cell>
void ExpectCells(TIFF* tiff) {
  std::vector<Cell> buffer(256 * 256);
  for (int corner = 0; corner < 4; ++corner) {
    const int left = corner % 2 * 256, top = corner / 2 * 256;
    ASSERT_GT(TIFFReadTile(tiff, buffer.data(), uint32_t(left), uint32_t(top), 0, 0), 0);
    for (int i = 0; i < 256 * 256; ++i)
      ASSERT_EQ(buffer[size_t(i)], Cell(CellValue(left + i % 256, top + i / 256))) << i;
  }
}

// The values of the tags, each one value (defaulted); the array of a tag.
template <typename Value>
std::vector<Value> Fields(TIFF* tiff, std::initializer_list<ttag_t> tags) {
  std::vector<Value> values;
  for (ttag_t tag : tags) TIFFGetFieldDefaulted(tiff, tag, &values.emplace_back());
  return values;
}
template <typename Value>
std::vector<Value> Array(TIFF* tiff, ttag_t tag) {
  uint16_t count = 0;
  Value* values = nullptr;
  if (!TIFFGetField(tiff, tag, &count, &values)) return {};
  return std::vector<Value>(values, values + count);
}

// Both writers run at once (the first calls race to register the tags) and
// give the bytes a lone writer gives.
TEST(TiffWriter, ReadsBackWithItsTagsAndCellsAlsoWrittenInParallel) {
  const std::tuple<Tile, Compression, std::vector<uint16_t>> cases[] = {
      // compression, predictor, sample format, bits, samples per pixel, planar configuration
      {{{}, Unit::kTenths, Cells<int16_t>(), {}}, Compression::kDeflate,
       {COMPRESSION_ADOBE_DEFLATE, 2, SAMPLEFORMAT_INT, 16, 1, 1}},
      {{{}, Unit::kFloat, {}, Cells<float>()}, Compression::kZstd,
       {COMPRESSION_ZSTD, 3, SAMPLEFORMAT_IEEEFP, 32, 1, 1}}};
  std::vector<std::future<std::vector<OutputFile>>> in_parallel;
  for (const auto& [tile, compression, format] : cases)
    in_parallel.push_back(std::async(std::launch::async, TiffFiles, tile, kGeometry, compression));
  const testing::ScratchDir dir;
  for (size_t i = 0; i < 2; ++i) {
    const auto& [tile, compression, format] = cases[i];
    const std::vector<OutputFile> files = TiffFiles(tile, kGeometry, compression);
    EXPECT_EQ(files[0].extension, ".tif");
    EXPECT_TRUE(files[0].bytes == in_parallel[i].get()[0].bytes);
    TIFF* tiff = TIFFOpen(dir.Write("t.tif", files[0].bytes).c_str(), "r");
    ASSERT_NE(tiff, nullptr);
    EXPECT_EQ(Fields<uint32_t>(tiff, {TIFFTAG_IMAGEWIDTH, TIFFTAG_IMAGELENGTH, TIFFTAG_TILEWIDTH,
                                      TIFFTAG_TILELENGTH}),
              (std::vector<uint32_t>{300, 260, 256, 256}));
    EXPECT_EQ(Fields<uint16_t>(tiff, {TIFFTAG_COMPRESSION, TIFFTAG_PREDICTOR, TIFFTAG_SAMPLEFORMAT,
                                      TIFFTAG_BITSPERSAMPLE, TIFFTAG_SAMPLESPERPIXEL,
                                      TIFFTAG_PLANARCONFIG}),
              format);
    // Pixel scale, tie point, GeoKeys (geographic, area, EPSG 6668, degrees).
    EXPECT_EQ(Array<double>(tiff, 33550), (std::vector<double>{1.0 / 18000, 1.0 / 18000, 0}));
    EXPECT_EQ(Array<double>(tiff, 33922),
              (std::vector<double>{0, 0, 0, 139.5, 642900.0 / 18000, 0}));
    EXPECT_EQ(Array<uint16_t>(tiff, 34735),
              (std::vector<uint16_t>{1, 1, 0, 4, 1024, 0, 1, 2, 1025, 0, 1, 1, 2048, 0, 1, 6668,
                                     2054, 0, 1, 9102}));
    const char* nodata = "";
    TIFFGetField(tiff, 42113, &nodata);
    EXPECT_STREQ(nodata, "-9999");
    tile.unit == Unit::kFloat ? ExpectCells<float>(tiff) : ExpectCells<int16_t>(tiff);
    TIFFClose(tiff);
  }
}

}  // namespace
}  // namespace tolvex::cli
