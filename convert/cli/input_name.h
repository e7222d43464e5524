// What a file or zip member is to the converter, told by its name alone:
// a tile (*.xml), a zip (*.zip), or neither, in any letter case; and the
// base name a tile's outputs are given.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace tolvex::cli {

enum class InputKind : uint8_t { kOther, kTile, kZip };

// The kind of a path or stored member name. The "._" copies macOS leaves
// beside files (resource forks, in "__MACOSX/" within zips) are kOther.
// "a/B.XML" → kTile, "pack.Zip" → kZip, "__MACOSX/._x.xml" → kOther,
// "x.xml.txt" → kOther.
InputKind KindOfName(std::string_view path);

// The name without its directories ('/' or '\\', which Windows tools
// store) and without a final ".xml" in any case.
// "dir/FG-GML-5339-45-DEM5A-20161001.XML" → "FG-GML-5339-45-DEM5A-20161001".
std::string TileBaseName(std::string_view path);

}  // namespace tolvex::cli
