// The GeoTIFF output of a tile, made with libtiff in memory: tiled,
// compressed, georeferenced by the GeoTIFF tags GIS tools read.
#pragma once
#include <vector>

#include "convert/cli/grid_geometry.h"
#include "convert/cli/output_file.h"
#include "convert/cli/tile.h"

namespace tolvex::cli {

enum class Compression { kDeflate, kZstd };

// The width and height of a TIFF tile; edge tiles are padded with -9999.
inline constexpr int kTiffTileSize = 256;

// One ".tif": a single band of int16 (m, dm) or float32 (f32), tiles of
// kTiffTileSize, the chosen compression with the horizontal (int16) or
// floating-point (float32) predictor; ModelPixelScale (cell_x, cell_y, 0),
// ModelTiepoint (0, 0, 0, west, north, 0), GeoKeys geographic, PixelIsArea,
// GeographicType = the EPSG code, angular unit degree (9102); GDAL_NODATA
// "-9999".
// Precondition: the tile holds geometry.columns × geometry.rows cells of its
// unit (else std::invalid_argument). Throws std::runtime_error with libtiff's
// message when it fails, and when its build lacks ZSTD and kZstd is asked.
// Safe to call from any number of threads; libtiff never prints.
std::vector<OutputFile> TiffFiles(const Tile& tile, const Geometry& geometry,
                                  Compression compression);

}  // namespace tolvex::cli
