// The GeoTIFF of a tile (see tiff_writer.h): libtiff writes into a string
// through client callbacks, so the writer touches no file and the caller
// commits the bytes like every other output.
#include "convert/cli/tiff_writer.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <mutex>
#include <stdexcept>
#include <string>

namespace tolvex::cli {
namespace {

// ------------------------------------------------------------ GeoTIFF tags
constexpr ttag_t kModelPixelScaleTag = 33550;
constexpr ttag_t kModelTiepointTag = 33922;
constexpr ttag_t kGeoKeyDirectoryTag = 34735;
constexpr ttag_t kGdalNodataTag = 42113;

// libtiff knows none of these; TIFFFieldInfo wants a mutable name it never
// writes to, hence the casts.
const TIFFFieldInfo kGeoTiffFields[] = {
    {kModelPixelScaleTag, -1, -1, TIFF_DOUBLE, FIELD_CUSTOM, 1, 1,
     const_cast<char*>("ModelPixelScaleTag")},
    {kModelTiepointTag, -1, -1, TIFF_DOUBLE, FIELD_CUSTOM, 1, 1,
     const_cast<char*>("ModelTiepointTag")},
    {kGeoKeyDirectoryTag, -1, -1, TIFF_SHORT, FIELD_CUSTOM, 1, 1,
     const_cast<char*>("GeoKeyDirectoryTag")},
    {kGdalNodataTag, -1, -1, TIFF_ASCII, FIELD_CUSTOM, 1, 0, const_cast<char*>("GDAL_NODATA")},
};

// libtiff resets a handle's fields for every directory and then calls the
// process-wide extender, so the tags are merged there. It is installed once;
// the extender found then is kept and still called.
TIFFExtendProc previous_extender = nullptr;

void ExtendWithGeoTiff(TIFF* tiff) {
  TIFFMergeFieldInfo(tiff, kGeoTiffFields, uint32_t(std::size(kGeoTiffFields)));
  if (previous_extender != nullptr) previous_extender(tiff);
}

void RegisterGeoTiffTags() {
  static std::once_flag once;
  std::call_once(once, [] { previous_extender = TIFFSetTagExtender(ExtendWithGeoTiff); });
}

// The GeoKeyDirectory: version 1.1.0 and the key count, then (key, location
// 0 = the value itself, count 1, value) in ascending key order.
constexpr uint16_t kGeographicModel = 2;     // GTModelTypeGeoKey 1024
constexpr uint16_t kPixelIsArea = 1;         // GTRasterTypeGeoKey 1025
constexpr uint16_t kAngularDegree = 9102;    // GeogAngularUnitsGeoKey 2054

// ------------------------------------------------------------ the memory file
struct MemoryFile {
  std::string bytes;
  uint64_t position = 0;
};

MemoryFile& FileOf(thandle_t handle) { return *static_cast<MemoryFile*>(handle); }

tmsize_t ReadMemory(thandle_t handle, void* buffer, tmsize_t size) {
  MemoryFile& file = FileOf(handle);
  if (file.position >= file.bytes.size()) return 0;
  const size_t count = std::min(size_t(size), size_t(file.bytes.size() - file.position));
  std::memcpy(buffer, file.bytes.data() + file.position, count);
  file.position += count;
  return tmsize_t(count);
}

// A write past the end (after a seek) fills the gap with zeros.
tmsize_t WriteMemory(thandle_t handle, void* buffer, tmsize_t size) {
  MemoryFile& file = FileOf(handle);
  const uint64_t end = file.position + uint64_t(size);
  if (end > file.bytes.size()) file.bytes.resize(size_t(end));
  std::memcpy(file.bytes.data() + file.position, buffer, size_t(size));
  file.position = end;
  return size;
}

toff_t SeekMemory(thandle_t handle, toff_t offset, int whence) {
  MemoryFile& file = FileOf(handle);
  if (whence == SEEK_CUR) offset += file.position;
  if (whence == SEEK_END) offset += file.bytes.size();
  file.position = offset;
  return offset;
}

int CloseMemory(thandle_t) { return 0; }
toff_t SizeOfMemory(thandle_t handle) { return FileOf(handle).bytes.size(); }
int MapNothing(thandle_t, void**, toff_t*) { return 0; }
void UnmapNothing(thandle_t, void*, toff_t) {}

// ------------------------------------------------------------ messages
// Handlers bound to one handle through its open options: the first error is
// kept for the exception, warnings are dropped, nothing reaches stderr.
int KeepError(TIFF*, void* user_data, const char* module, const char* format, va_list args) {
  std::string& error = *static_cast<std::string*>(user_data);
  if (error.empty()) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    error = std::string(module != nullptr ? module : "libtiff") + ": " + text;
  }
  return 1;  // handled: the process-wide handler is not called
}

int DropWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct TiffCloser {
  void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
struct OptionsFreer {
  void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

[[noreturn]] void Fail(const std::string& error, const char* what) {
  throw std::runtime_error("GeoTIFF: " + (error.empty() ? std::string(what) : error));
}

// ------------------------------------------------------------ the image
void SetTags(TIFF* tiff, const Geometry& geometry, Unit unit, Compression compression,
             const std::string& error) {
  const bool is_float = unit == Unit::kFloat;
  const double scale[3] = {geometry.cell_x, geometry.cell_y, 0};
  const double tiepoint[6] = {0, 0, 0, geometry.west, geometry.north, 0};
  const uint16_t geo_keys[] = {1, 1, 0, 4,
                               1024, 0, 1, kGeographicModel,
                               1025, 0, 1, kPixelIsArea,
                               2048, 0, 1, uint16_t(geometry.crs.epsg),
                               2054, 0, 1, kAngularDegree};
  const bool set =
      TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, uint32_t(geometry.columns)) &&
      TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, uint32_t(geometry.rows)) &&
      TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1) &&
      TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, is_float ? 32 : 16) &&
      TIFFSetField(tiff, TIFFTAG_SAMPLEFORMAT, is_float ? SAMPLEFORMAT_IEEEFP : SAMPLEFORMAT_INT) &&
      TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
      TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK) &&
      TIFFSetField(tiff, TIFFTAG_TILEWIDTH, uint32_t(kTiffTileSize)) &&
      TIFFSetField(tiff, TIFFTAG_TILELENGTH, uint32_t(kTiffTileSize)) &&
      TIFFSetField(tiff, TIFFTAG_COMPRESSION,
                   compression == Compression::kZstd ? COMPRESSION_ZSTD
                                                     : COMPRESSION_ADOBE_DEFLATE) &&
      TIFFSetField(tiff, TIFFTAG_PREDICTOR,
                   is_float ? PREDICTOR_FLOATINGPOINT : PREDICTOR_HORIZONTAL) &&
      TIFFSetField(tiff, kModelPixelScaleTag, 3, scale) &&
      TIFFSetField(tiff, kModelTiepointTag, 6, tiepoint) &&
      TIFFSetField(tiff, kGeoKeyDirectoryTag, int(std::size(geo_keys)), geo_keys) &&
      TIFFSetField(tiff, kGdalNodataTag, "-9999");
  if (!set) Fail(error, "a tag was refused");
}

// Copies the tile's part of the cells into a full tile buffer, the padding
// beyond the raster's edges holding -9999. The buffer is refilled for every
// tile because libtiff's predictor encodes it in place.
template <typename Cell>
void WriteTiles(TIFF* tiff, const std::vector<Cell>& cells, const Geometry& geometry,
                const std::string& error) {
  std::vector<Cell> buffer(size_t(kTiffTileSize) * kTiffTileSize);
  for (int top = 0; top < geometry.rows; top += kTiffTileSize) {
    for (int left = 0; left < geometry.columns; left += kTiffTileSize) {
      std::fill(buffer.begin(), buffer.end(), Cell(-9999));
      const int width = std::min(kTiffTileSize, geometry.columns - left);
      const int height = std::min(kTiffTileSize, geometry.rows - top);
      for (int row = 0; row < height; ++row) {
        const auto source = cells.begin() + ptrdiff_t(top + row) * geometry.columns + left;
        std::copy(source, source + width, buffer.begin() + ptrdiff_t(row) * kTiffTileSize);
      }
      const uint32_t tile = TIFFComputeTile(tiff, uint32_t(left), uint32_t(top), 0, 0);
      if (TIFFWriteEncodedTile(tiff, tile, buffer.data(), tmsize_t(buffer.size() * sizeof(Cell))) <
          0)
        Fail(error, "a tile could not be written");
    }
  }
}

}  // namespace

std::vector<OutputFile> TiffFiles(const Tile& tile, const Geometry& geometry,
                                  Compression compression) {
  RequireCellsOfGeometry(tile, geometry);
  if (compression == Compression::kZstd && !TIFFIsCODECConfigured(COMPRESSION_ZSTD))
    throw std::runtime_error("GeoTIFF: this libtiff was built without ZSTD; use DEFLATE");
  RegisterGeoTiffTags();

  std::string error;
  std::unique_ptr<TIFFOpenOptions, OptionsFreer> options(TIFFOpenOptionsAlloc());
  if (!options) throw std::bad_alloc();
  TIFFOpenOptionsSetErrorHandlerExtR(options.get(), KeepError, &error);
  TIFFOpenOptionsSetWarningHandlerExtR(options.get(), DropWarning, nullptr);
  MemoryFile file;
  // "l": little-endian whatever the host, so equal tiles give equal bytes.
  TiffHandle tiff(TIFFClientOpenExt("memory.tif", "wl", &file, ReadMemory, WriteMemory,
                                    SeekMemory, CloseMemory, SizeOfMemory, MapNothing,
                                    UnmapNothing, options.get()));
  if (!tiff) Fail(error, "libtiff could not start a file");
  SetTags(tiff.get(), geometry, tile.unit, compression, error);
  if (tile.unit == Unit::kFloat)
    WriteTiles(tiff.get(), tile.cells32, geometry, error);
  else
    WriteTiles(tiff.get(), tile.cells16, geometry, error);
  if (!TIFFFlush(tiff.get())) Fail(error, "the directory could not be written");
  tiff.reset();
  return {{".tif", std::move(file.bytes)}};
}

}  // namespace tolvex::cli
