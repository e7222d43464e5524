// The options of `tolvex convert`, read from the command line with the C
// library's getopt_long, and the help text.
#pragma once
#include <string>
#include <vector>

#include "convert/cli/tile.h"
#include "convert/cli/tiff_writer.h"

namespace tolvex::cli {

enum class Format { kBil, kTif };

struct Options {
  std::vector<std::string> inputs;  // tiles, zips, folders
  std::string output = ".";         // -o: folder of the outputs, created if missing
  Format format = Format::kBil;     // -f bil|tif
  Unit unit = Unit::kMetres;        // -u m|dm|f32
  Compression compression = Compression::kDeflate;  // --compress deflate|zstd (tif)
  int jobs = 1;                     // -j: worker threads (default: the cores)
  bool force = false;               // --force: replace existing outputs
  std::string merge;                // --merge FILE.vrt, empty for none
  bool quiet = false;               // -q
};

enum class Action { kConvert, kHelp, kVersion, kUsageError };

struct ParsedCommand {
  Action action = Action::kUsageError;
  Options options;
  std::string error;  // for kUsageError: what was wrong, one line
};

// Reads `tolvex convert [OPTIONS] INPUT...`, `tolvex --help` (or -h, also
// after convert) and `tolvex --version`. `cores` is the default of --jobs.
// Examples: {"tolvex", "convert", "-u", "dm", "a.zip"} → kConvert with unit
// kTenths; {"tolvex", "convert"} → kUsageError "no input given".
ParsedCommand ParseCommandLine(int argc, char** argv, int cores);

// The text of --help: the command line and the dialogue.
const char* HelpText();

}  // namespace tolvex::cli
