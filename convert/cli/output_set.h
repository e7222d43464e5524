// The files of one tile written so that nothing is ever half-written: each
// goes to a temporary name beside its final name and is renamed only when
// every file of the tile is complete.
#pragma once
#include <stdexcept>
#include <string>
#include <vector>

#include "convert/cli/output_file.h"

namespace tolvex::cli {

// The outputs could not be written; nothing of them stands under a final name
// that this run put there.
class OutputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The final path of `file` for the base name: "out/NAME.bil".
std::string OutputPath(const std::string& directory, const std::string& name,
                       const std::string& extension);

// Writes every file to a temporary name, then renames them in order, the
// first file (the raster) last, so a raster under its final name always has
// its sidecars. Without `replace` an existing final file is never touched:
// the write fails naming it. On any failure the temporaries are removed, and
// so are the files of this set already renamed (they were new).
void WriteOutputs(const std::string& directory, const std::string& name,
                  const std::vector<OutputFile>& files, bool replace);

}  // namespace tolvex::cli
