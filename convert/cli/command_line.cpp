// Command-line parsing (see command_line.h).
#include "convert/cli/command_line.h"

#include <getopt.h>

#include <charconv>
#include <cstring>
#include <string_view>

namespace tolvex::cli {
namespace {

enum LongOnly { kForce = 256, kMerge, kVersion, kCompress };

const option kLongOptions[] = {
    {"output", required_argument, nullptr, 'o'},
    {"format", required_argument, nullptr, 'f'},
    {"unit", required_argument, nullptr, 'u'},
    {"jobs", required_argument, nullptr, 'j'},
    {"force", no_argument, nullptr, kForce},
    {"merge", required_argument, nullptr, kMerge},
    {"compress", required_argument, nullptr, kCompress},
    {"quiet", no_argument, nullptr, 'q'},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, kVersion},
    {nullptr, 0, nullptr, 0},
};
// The leading ":" makes getopt_long report problems by its return value
// instead of printing them; the caller prints one message of its own.
const char kShortOptions[] = ":o:f:u:j:qh";

// One word of a closed set: the value's index, or -1.
template <size_t N>
int Choice(std::string_view value, const char* const (&words)[N]) {
  for (size_t i = 0; i < N; ++i)
    if (value == words[i]) return static_cast<int>(i);
  return -1;
}

ParsedCommand UsageError(std::string message) {
  ParsedCommand parsed;
  parsed.action = Action::kUsageError;
  parsed.error = std::move(message);
  return parsed;
}

ParsedCommand Only(Action action) {
  ParsedCommand parsed;
  parsed.action = action;
  return parsed;
}

}  // namespace

ParsedCommand ParseCommandLine(int argc, char** argv, int cores) {
  if (argc < 2) return UsageError("no command given");
  const std::string_view command = argv[1];
  if (command == "--help" || command == "-h") return Only(Action::kHelp);
  if (command == "--version") return Only(Action::kVersion);
  if (command != "convert") return UsageError("unknown command '" + std::string(command) + "'");

  ParsedCommand parsed;
  parsed.action = Action::kConvert;
  Options& options = parsed.options;
  options.jobs = cores > 0 ? cores : 1;
  // getopt_long keeps its place in globals: 0 starts it afresh, so the
  // parser can run more than once in one process.
  optind = 0;
  int argument_count = argc - 1;
  char** arguments = argv + 1;
  for (;;) {
    int index = 0;
    const int c = getopt_long(argument_count, arguments, kShortOptions, kLongOptions, &index);
    if (c == -1) break;
    const std::string_view value = optarg != nullptr ? optarg : "";
    switch (c) {
      case 'o':
        if (value.empty()) return UsageError("-o needs a folder");
        options.output = optarg;
        break;
      case 'f': {
        static const char* const kFormats[] = {"bil", "tif"};
        const int format = Choice(value, kFormats);
        if (format < 0) return UsageError("unknown format '" + std::string(value) + "' (bil or tif)");
        options.format = static_cast<Format>(format);
        break;
      }
      case 'u': {
        static const char* const kUnits[] = {"m", "dm", "f32"};
        const int unit = Choice(value, kUnits);
        if (unit < 0) return UsageError("unknown unit '" + std::string(value) + "' (m, dm or f32)");
        options.unit = static_cast<Unit>(unit);
        break;
      }
      case kCompress: {
        static const char* const kCompressions[] = {"deflate", "zstd"};
        const int compression = Choice(value, kCompressions);
        if (compression < 0)
          return UsageError("unknown compression '" + std::string(value) + "' (deflate or zstd)");
        options.compression = static_cast<Compression>(compression);
        break;
      }
      case 'j': {
        int jobs = 0;
        const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), jobs);
        if (error != std::errc() || end != value.data() + value.size() || jobs < 1 || jobs > 1024)
          return UsageError("-j needs a number of jobs from 1 to 1024, not '" + std::string(value) + "'");
        options.jobs = jobs;
        break;
      }
      case kForce: options.force = true; break;
      case kMerge:
        if (value.size() < 4 || value.substr(value.size() - 4) != ".vrt")
          return UsageError("--merge needs a file name ending in .vrt, not '" + std::string(value) + "'");
        options.merge = optarg;
        break;
      case 'q': options.quiet = true; break;
      case 'h': return Only(Action::kHelp);
      case kVersion: return Only(Action::kVersion);
      case ':': return UsageError(std::string("option '") + arguments[optind - 1] + "' needs a value");
      default: return UsageError(std::string("unknown option '") + arguments[optind - 1] + "'");
    }
  }
  for (int i = optind; i < argument_count; ++i) options.inputs.emplace_back(arguments[i]);
  if (options.inputs.empty()) return UsageError("no input given");
  return parsed;
}

const char* HelpText() {
  return
      "Usage: tolvex convert [OPTIONS] INPUT...\n"
      "       tolvex            (no arguments: the interactive dialogue)\n"
      "\n"
      "Converts elevation tiles (GML/XML, as downloaded today: 10 m, 5 m and 1 m products,\n"
      "whole or partial) into rasters that GIS tools open as they are. An INPUT is a tile\n"
      "(.xml), a zip (zips inside zips to any depth, read as streams) or a folder (searched\n"
      "recursively). Each tile NAME.xml becomes NAME.bil + NAME.hdr + NAME.prj, or NAME.tif.\n"
      "\n"
      "Options:\n"
      "  -o, --output DIR      where outputs go (default: the current folder; created if missing)\n"
      "  -f, --format bil|tif  BIL with header and .prj (default), or tiled GeoTIFF\n"
      "  -u, --unit m|dm|f32   int16 whole metres (default), int16 tenths of a metre,\n"
      "                        or float32 metres; cells without data are -9999\n"
      "      --compress deflate|zstd   GeoTIFF compression (default deflate)\n"
      "  -j, --jobs N          tiles converted in parallel (default: the number of cores)\n"
      "      --force           replace existing outputs (default: keep them, report the tile\n"
      "                        as skipped, so an interrupted batch resumes where it stopped)\n"
      "      --merge FILE.vrt  also write a GDAL VRT mosaic of all outputs of the run; where\n"
      "                        tiles overlap the finer product wins, then the newer date\n"
      "  -q, --quiet           no progress line and no summary (failures are still shown)\n"
      "  -h, --help            this text\n"
      "      --version         the version\n"
      "\n"
      "Exit status: 0 when every tile was converted or skipped, 1 when any tile failed (the\n"
      "others are still converted), 2 for a usage error.\n"
      "\n"
      "The dialogue (tolvex without arguments) converts one tile of the old layout in the\n"
      "current folder: it asks for the base name (without .xml) and the unit, 1 for whole\n"
      "metres or 2 for tenths, writes NAME.bil and NAME.hdr beside the tile, and waits for\n"
      "Enter at the end. It never replaces a file: an existing output stops it with error 64.\n";
}

}  // namespace tolvex::cli
