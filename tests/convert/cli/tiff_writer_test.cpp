// The GeoTIFF of a tile, read back with libtiff: structure, GeoTIFF tags and
// the decompressed cells, for each unit and compression.
#include "convert/cli/tiff_writer.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace tolvex::cli {
namespace {

// 300 x 260 cells: four tiles, three of them padded.
const Geometry kGeometry = {139.5, 642900.0 / 18000, 1.0 / 18000, 1.0 / 18000, 300, 260,
                            {6668, "JGD2011"}};

// Cell i of the tile, -9999 beyond the raster.
double CellValue(int x, int y) {
  const int i = y * 300 + x;
  return x >= 300 || y >= 260 || i % 97 == 0 ? -9999 : i % 3001 - 500.5;
}

Tile MakeTile(Unit unit) {
  Tile tile;
  tile.unit = unit;
  for (int y = 0; y < 260; ++y)
    for (int x = 0; x < 300; ++x)
      if (unit == Unit::kFloat)
        tile.cells32.push_back(float(CellValue(x, y)));
      else
        tile.cells16.push_back(int16_t(CellValue(x, y)));
  return tile;
}

template <typename Cell>
void ExpectCells(TIFF* tiff) {
  std::vector<Cell> buffer(256 * 256);
  ASSERT_EQ(TIFFNumberOfTiles(tiff), 4u);
  for (int top = 0; top < 512; top += 256)
    for (int left = 0; left < 512; left += 256) {
      ASSERT_GT(TIFFReadTile(tiff, buffer.data(), uint32_t(left), uint32_t(top), 0, 0), 0);
      for (int i = 0; i < 256 * 256; ++i)
        ASSERT_EQ(buffer[size_t(i)], Cell(CellValue(left + i % 256, top + i / 256))) << i;
    }
}

template <typename Value>
std::vector<Value> Array(TIFF* tiff, ttag_t tag) {
  uint16_t count = 0;
  Value* values = nullptr;
  if (!TIFFGetField(tiff, tag, &count, &values)) return {};
  return std::vector<Value>(values, values + count);
}

TEST(TiffWriter, ReadsBackWithItsTagsAndCells) {
  const struct {
    Unit unit;
    Compression compression;
    std::vector<uint16_t> format;   // compression, predictor, sample format, bits
  } cases[] = {
      {Unit::kMetres, Compression::kDeflate, {COMPRESSION_ADOBE_DEFLATE, 2, SAMPLEFORMAT_INT, 16}},
      {Unit::kTenths, Compression::kZstd, {COMPRESSION_ZSTD, 2, SAMPLEFORMAT_INT, 16}},
      {Unit::kFloat, Compression::kDeflate, {COMPRESSION_ADOBE_DEFLATE, 3, SAMPLEFORMAT_IEEEFP, 32}},
      {Unit::kFloat, Compression::kZstd, {COMPRESSION_ZSTD, 3, SAMPLEFORMAT_IEEEFP, 32}},
  };
  const std::string path = ::testing::TempDir() + "tiff_writer_test.tif";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.format[0]);
    const std::vector<OutputFile> files = TiffFiles(MakeTile(c.unit), kGeometry, c.compression);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].extension, ".tif");
    std::ofstream(path, std::ios::binary) << files[0].bytes;
    TIFF* tiff = TIFFOpen(path.c_str(), "r");
    ASSERT_NE(tiff, nullptr);
    uint32_t size[4] = {};
    const ttag_t size_tags[4] = {TIFFTAG_IMAGEWIDTH, TIFFTAG_IMAGELENGTH, TIFFTAG_TILEWIDTH,
                                 TIFFTAG_TILELENGTH};
    for (int i = 0; i < 4; ++i) TIFFGetField(tiff, size_tags[i], &size[i]);
    EXPECT_EQ(std::vector<uint32_t>(size, size + 4), std::vector<uint32_t>({300, 260, 256, 256}));
    std::vector<uint16_t> format;
    for (ttag_t tag : {TIFFTAG_COMPRESSION, TIFFTAG_PREDICTOR, TIFFTAG_SAMPLEFORMAT,
                       TIFFTAG_BITSPERSAMPLE, TIFFTAG_SAMPLESPERPIXEL, TIFFTAG_PLANARCONFIG}) {
      format.push_back(0);
      TIFFGetFieldDefaulted(tiff, tag, &format.back());
    }
    std::vector<uint16_t> expected = c.format;
    expected.insert(expected.end(), {1, PLANARCONFIG_CONTIG});
    EXPECT_EQ(format, expected);
    EXPECT_EQ(Array<double>(tiff, 33550), (std::vector<double>{1.0 / 18000, 1.0 / 18000, 0}));
    EXPECT_EQ(Array<double>(tiff, 33922),
              (std::vector<double>{0, 0, 0, 139.5, 642900.0 / 18000, 0}));
    EXPECT_EQ(Array<uint16_t>(tiff, 34735),
              (std::vector<uint16_t>{1, 1, 0, 4, 1024, 0, 1, 2, 1025, 0, 1, 1, 2048, 0, 1, 6668,
                                     2054, 0, 1, 9102}));
    const char* nodata = nullptr;
    ASSERT_TRUE(TIFFGetField(tiff, 42113, &nodata));
    EXPECT_STREQ(nodata, "-9999");
    if (c.unit == Unit::kFloat)
      ExpectCells<float>(tiff);
    else
      ExpectCells<int16_t>(tiff);
    TIFFClose(tiff);
  }
  std::remove(path.c_str());
}

// Workers write at once (run alone, the first ones race to register the
// tags); each gets the bytes a lone writer gets.
TEST(TiffWriter, WritersInParallelAgree) {
  const Tile tile = MakeTile(Unit::kFloat);
  std::vector<std::string> results(4);
  {
    std::vector<std::jthread> workers;
    for (std::string& result : results)
      workers.emplace_back([&] { result = TiffFiles(tile, kGeometry, Compression::kZstd)[0].bytes; });
  }
  const std::string alone = TiffFiles(tile, kGeometry, Compression::kZstd)[0].bytes;
  for (const std::string& result : results) EXPECT_TRUE(result == alone);
}

}  // namespace
}  // namespace tolvex::cli
