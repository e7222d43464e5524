// The coordinate reference systems a tile may name, from its srsName to the
// EPSG code and the ESRI WKT that a .prj file carries.
#pragma once
#include <optional>
#include <string_view>

#include "convert/cli/tile.h"

namespace tolvex::cli {

// The CRS of an srsName, or nothing for one the converter does not know.
// "fguuid:jgd2011.bl" and "fguuid:jgd2024.bl" → EPSG:6668 (JGD2011; JGD2024
// keeps its geographic coordinates), "fguuid:jgd2000.bl" → EPSG:4612,
// "fguuid:tokyo.bl" → EPSG:4301. Letter case is ignored.
std::optional<Crs> CrsOfSrsName(std::string_view srs_name);

// The ESRI WKT of a CRS this table knows (one line, no line end), as GIS
// tools expect in a .prj file; empty for an unknown code.
std::string_view EsriWkt(int epsg);

}  // namespace tolvex::cli
