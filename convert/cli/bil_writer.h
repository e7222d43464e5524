// The BIL output of a tile: the raw raster (.bil), the header that places it
// (.hdr) and the CRS (.prj), as GIS tools and GDAL's EHdr driver read them.
#pragma once
#include <vector>

#include "convert/cli/grid_geometry.h"
#include "convert/cli/output_file.h"
#include "convert/cli/tile.h"

namespace tolvex::cli {

// Precondition: the tile holds geometry.columns × geometry.rows cells of its
// unit (else std::invalid_argument). The result, in this order:
//   ".bil" the cells row by row from the north-west, little-endian int16
//          (m, dm) or float32 (f32), nothing else;
//   ".hdr" LF-ended "key value" lines; ulxmap/ulymap name the centre of the
//          north-west cell; coordinates carry 17 significant digits;
//   ".prj" EsriWkt(geometry.crs.epsg), left out for a CRS without one.
// Example (5 m tile at 139.5 E, 642900/18000 N, int16):
//   nrows 150 / ncols 225 / nbands 1 / nbits 16 / pixeltype signedint /
//   byteorder I / layout bil / ulxmap 139.50002777777777 /
//   ulymap 35.716638888888887 / xdim 5.5555555555555558e-05 /
//   ydim 5.5555555555555558e-05 / nodata -9999
std::vector<OutputFile> BilFiles(const Tile& tile, const Geometry& geometry);

}  // namespace tolvex::cli
