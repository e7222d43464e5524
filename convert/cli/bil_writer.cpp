// The BIL, HDR and PRJ files of a tile (see bil_writer.h).
#include "convert/cli/bil_writer.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>
#include <string>

#include "convert/cli/crs.h"

namespace tolvex::cli {
namespace {

// The cells as little-endian bytes: copied whole on a little-endian host,
// byte by byte on any other.
template <typename Cell>
std::string LittleEndianBytes(const std::vector<Cell>& cells) {
  std::string bytes(cells.size() * sizeof(Cell), '\0');
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(bytes.data(), cells.data(), bytes.size());
  } else {
    using Bits = std::conditional_t<sizeof(Cell) == 2, uint16_t, uint32_t>;
    char* out = bytes.data();
    for (Cell cell : cells) {
      const auto bits = std::bit_cast<Bits>(cell);
      for (size_t i = 0; i < sizeof bits; ++i) *out++ = static_cast<char>((bits >> (8 * i)) & 0xFF);
    }
  }
  return bytes;
}

std::string Raster(const Tile& tile) {
  return tile.unit == Unit::kFloat ? LittleEndianBytes(tile.cells32) : LittleEndianBytes(tile.cells16);
}

// GDAL and ESRI read ulxmap/ulymap as the centre of the first cell. Half a
// cell is exact in binary, so a reader that subtracts it again gets the
// edge back: the rounding of edge + half is below half an ulp of the edge.
std::string Header(const Geometry& geometry, Unit unit) {
  const bool is_float = unit == Unit::kFloat;
  std::string header;
  auto line = [&header](const char* key, const std::string& value) {
    header.append(key).append(" ").append(value).append("\n");
  };
  line("nrows", std::to_string(geometry.rows));
  line("ncols", std::to_string(geometry.columns));
  line("nbands", "1");
  line("nbits", is_float ? "32" : "16");
  line("pixeltype", is_float ? "float" : "signedint");
  line("byteorder", "I");
  line("layout", "bil");
  line("ulxmap", CoordinateText(geometry.west + geometry.cell_x / 2));
  line("ulymap", CoordinateText(geometry.north - geometry.cell_y / 2));
  line("xdim", CoordinateText(geometry.cell_x));
  line("ydim", CoordinateText(geometry.cell_y));
  line("nodata", "-9999");
  return header;
}

}  // namespace

std::vector<OutputFile> BilFiles(const Tile& tile, const Geometry& geometry) {
  RequireCellsOfGeometry(tile, geometry);
  std::vector<OutputFile> files;
  files.push_back({".bil", Raster(tile)});
  files.push_back({".hdr", Header(geometry, tile.unit)});
  const std::string_view wkt = EsriWkt(geometry.crs.epsg);
  if (!wkt.empty()) files.push_back({".prj", std::string(wkt)});
  return files;
}

}  // namespace tolvex::cli
