// The VRT mosaic (see vrt_writer.h).
#include "convert/cli/vrt_writer.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <stdexcept>
#include <utility>

#include "convert/cli/product_rank.h"
#include "convert/cli/tiff_writer.h"

namespace tolvex::cli {
namespace {

// ------------------------------------------------------------ checks
void RequireOneCrs(const std::vector<MosaicTile>& tiles) {
  std::vector<std::pair<int, int>> counts;   // (epsg, tiles), in order of appearance
  for (const MosaicTile& tile : tiles) {
    auto found = std::find_if(counts.begin(), counts.end(), [&](const auto& count) {
      return count.first == tile.geometry.crs.epsg;
    });
    if (found == counts.end())
      counts.emplace_back(tile.geometry.crs.epsg, 1);
    else
      ++found->second;
  }
  if (counts.size() == 1) return;
  std::stable_sort(counts.begin(), counts.end(),
                   [](const auto& a, const auto& b) { return a.second > b.second; });
  std::string message = "tiles in different CRSs";
  for (size_t i = 0; i < counts.size(); ++i)
    message += (i == 0 ? ": EPSG:" : ", EPSG:") + std::to_string(counts[i].first) + " (" +
               std::to_string(counts[i].second) + (counts[i].second == 1 ? " tile)" : " tiles)");
  throw std::runtime_error(message);
}

// ------------------------------------------------------------ placement
// The mosaic grid: its north-west corner and its pixel.
struct Frame {
  double west, north, pixel_x, pixel_y;
};

Frame FrameOf(const std::vector<MosaicTile>& tiles) {
  Frame frame = {tiles[0].geometry.west, tiles[0].geometry.north, tiles[0].geometry.cell_x,
                 tiles[0].geometry.cell_y};
  for (const MosaicTile& tile : tiles) {
    frame.west = std::min(frame.west, tile.geometry.west);
    frame.north = std::max(frame.north, tile.geometry.north);
    frame.pixel_x = std::min(frame.pixel_x, tile.geometry.cell_x);
    frame.pixel_y = std::min(frame.pixel_y, tile.geometry.cell_y);
  }
  return frame;
}

// A tile's rectangle in mosaic pixels.
struct Placement {
  double x, y, width, height;
};

Placement PlacementOf(const Geometry& geometry, const Frame& frame) {
  return {(geometry.west - frame.west) / frame.pixel_x,
          (frame.north - geometry.north) / frame.pixel_y,
          geometry.columns * geometry.cell_x / frame.pixel_x,
          geometry.rows * geometry.cell_y / frame.pixel_y};
}

// Tiles on the product grids land on whole pixels up to rounding noise far
// below this; a tile off the grid keeps its fractional place, which GDAL
// accepts.
constexpr double kWholePixel = 1e-6;

double Whole(double pixels) {
  const double nearest = std::round(pixels);
  return std::fabs(pixels - nearest) <= kWholePixel ? nearest : pixels;
}

// ------------------------------------------------------------ text
std::string XmlEscaped(std::string_view text) {
  std::string escaped;
  for (char c : text) {
    switch (c) {
      case '&': escaped += "&amp;"; break;
      case '<': escaped += "&lt;"; break;
      case '>': escaped += "&gt;"; break;
      case '"': escaped += "&quot;"; break;
      default: escaped += c;
    }
  }
  return escaped;
}

std::string Attribute(const char* name, const std::string& value) {
  return std::string(" ") + name + "=\"" + value + "\"";
}

std::string Rectangle(const char* element, double x, double y, double width, double height) {
  return std::string("      <") + element + Attribute("xOff", CoordinateText(x)) +
         Attribute("yOff", CoordinateText(y)) + Attribute("xSize", CoordinateText(width)) +
         Attribute("ySize", CoordinateText(height)) + "/>\n";
}

// The file name element: relative when the file is at or below the VRT's
// directory, so the mosaic can be moved together with its tiles.
std::string SourceFilename(const std::string& path, std::string_view vrt_directory) {
  namespace fs = std::filesystem;
  const fs::path relative = fs::path(path).lexically_normal().lexically_relative(
      fs::path(vrt_directory).lexically_normal());
  const bool below = !relative.empty() && *relative.begin() != "..";
  return std::string("      <SourceFilename") + Attribute("relativeToVRT", below ? "1" : "0") +
         ">" + XmlEscaped(below ? relative.generic_string() : path) + "</SourceFilename>\n";
}

bool IsTiff(const std::string& path) {
  std::string extension = std::filesystem::path(path).extension().string();
  for (char& c : extension) c = char(std::tolower(static_cast<unsigned char>(c)));
  return extension == ".tif" || extension == ".tiff";
}

// Telling GDAL the size, type and blocks of a source lets it open the tile
// only when a read needs it, not every tile when the mosaic is opened. A
// BIL is read a row at a time.
std::string SourceProperties(const MosaicTile& tile, const char* data_type) {
  const bool is_tiff = IsTiff(tile.path);
  return std::string("      <SourceProperties") +
         Attribute("RasterXSize", std::to_string(tile.geometry.columns)) +
         Attribute("RasterYSize", std::to_string(tile.geometry.rows)) +
         Attribute("DataType", data_type) +
         Attribute("BlockXSize", std::to_string(is_tiff ? kTiffTileSize : tile.geometry.columns)) +
         Attribute("BlockYSize", std::to_string(is_tiff ? kTiffTileSize : 1)) + "/>\n";
}

// One tile as a source, painted only where its cells hold data.
std::string Source(const MosaicTile& tile, const Frame& frame, const char* data_type,
                   std::string_view vrt_directory) {
  const Placement place = PlacementOf(tile.geometry, frame);
  return "    <ComplexSource>\n" + SourceFilename(tile.path, vrt_directory) +
         "      <SourceBand>1</SourceBand>\n" + SourceProperties(tile, data_type) +
         Rectangle("SrcRect", 0, 0, tile.geometry.columns, tile.geometry.rows) +
         Rectangle("DstRect", Whole(place.x), Whole(place.y), Whole(place.width),
                   Whole(place.height)) +
         "      <NODATA>-9999</NODATA>\n    </ComplexSource>\n";
}

}  // namespace

std::string MosaicVrt(std::vector<MosaicTile> tiles, Unit unit, std::string_view vrt_directory) {
  if (tiles.empty()) throw std::runtime_error("no tiles to merge");
  RequireOneCrs(tiles);
  std::stable_sort(tiles.begin(), tiles.end(), [](const MosaicTile& a, const MosaicTile& b) {
    return RankOfTileName(a.name) < RankOfTileName(b.name);
  });
  const Frame frame = FrameOf(tiles);
  double width = 0, height = 0;
  for (const MosaicTile& tile : tiles) {
    const Placement place = PlacementOf(tile.geometry, frame);
    width = std::max(width, Whole(place.x + place.width));
    height = std::max(height, Whole(place.y + place.height));
  }
  const char* data_type = unit == Unit::kFloat ? "Float32" : "Int16";

  std::string vrt = "<VRTDataset" +
                    Attribute("rasterXSize", std::to_string(long(std::ceil(width)))) +
                    Attribute("rasterYSize", std::to_string(long(std::ceil(height)))) + ">\n";
  // The EPSG definition orders latitude first; the GeoTransform is longitude
  // first, which the axis mapping states.
  vrt += "  <SRS dataAxisToSRSAxisMapping=\"2,1\">EPSG:" +
         std::to_string(tiles[0].geometry.crs.epsg) + "</SRS>\n";
  vrt += "  <GeoTransform>" + CoordinateText(frame.west) + ", " + CoordinateText(frame.pixel_x) +
         ", 0, " + CoordinateText(frame.north) + ", 0, " + CoordinateText(-frame.pixel_y) +
         "</GeoTransform>\n";
  vrt += std::string("  <VRTRasterBand") + Attribute("dataType", data_type) +
         Attribute("band", "1") + ">\n    <NoDataValue>-9999</NoDataValue>\n";
  for (const MosaicTile& tile : tiles) vrt += Source(tile, frame, data_type, vrt_directory);
  return vrt + "  </VRTRasterBand>\n</VRTDataset>\n";
}

}  // namespace tolvex::cli
