// One file a writer produced, held in memory: writers stay pure, and the
// caller commits each file under the tile's base name plus its extension.
#pragma once
#include <string>

namespace tolvex::cli {

struct OutputFile {
  std::string extension;   // ".bil", ".hdr", ".prj", ".tif"
  std::string bytes;
};

}  // namespace tolvex::cli
