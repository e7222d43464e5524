// The old tile layout: 47 unindented Shift_JIS header lines, the 1125 x 750
// "label,value" entries, the closing lines, all ending in CR LF by default.
// The tests, the demo and the benchmark depend on it byte for byte.
#pragma once
#include <string>

#include "tile_options.h"

namespace tolvex::tools {

// The whole file. Uses seed, srs_name (default "EPSG:6668"), lower, upper
// (default "35.75 139.875"), the corner lines, line_end (default CR LF),
// entries, closing_tags, end_of_file_mark and the cell texts; the lower
// corner is written as given. Example: the default options give 843,810
// lines, the first `<?xml version="1.0" encoding="Shift_JIS"?>`.
std::string OldLayoutText(const TileOptions& options);

}  // namespace tolvex::tools
