// The BIL, HDR and PRJ files of a tile (see bil_writer.h).
#include "convert/cli/bil_writer.h"

#include <bit>
#include <cstdint>
#include <string>

#include "convert/cli/crs.h"

namespace tolvex::cli {
namespace {

// Byte by byte, so the file is little-endian whatever the host.
template <typename Bits>
void AppendLittleEndian(std::string& out, Bits bits) {
  for (size_t i = 0; i < sizeof bits; ++i) out.push_back(char((bits >> (8 * i)) & 0xFF));
}

std::string Raster(const Tile& tile) {
  std::string raster;
  if (tile.unit == Unit::kFloat) {
    raster.reserve(tile.cells32.size() * 4);
    for (float cell : tile.cells32) AppendLittleEndian(raster, std::bit_cast<uint32_t>(cell));
  } else {
    raster.reserve(tile.cells16.size() * 2);
    for (int16_t cell : tile.cells16) AppendLittleEndian(raster, std::bit_cast<uint16_t>(cell));
  }
  return raster;
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
