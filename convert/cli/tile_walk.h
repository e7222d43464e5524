// Visiting the tiles of one work item: a tile file, or the tile members of
// a zip and of the zips inside it, each streamed, never extracted to disk.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "convert/cli/byte_source.h"
#include "convert/cli/input_walk.h"

namespace tolvex::cli {

struct TileName {
  // What messages show: the file path of a tile file, or the zip's path and
  // the stored member names joined by "!":
  // "dir/pack.zip!inner.zip!FG-GML-5339-45-DEM5A-20161001.xml".
  std::string display;
  // The base name of the outputs: the file or member name without its
  // directories and its ".xml" (any case): "FG-GML-5339-45-DEM5A-20161001".
  std::string name;
};

// Reads one tile. It may stop reading early; the walk passes over the rest.
// It reports its own tile's failures; a ReadError it lets out is reported
// as a problem of that tile and the walk goes on; any other exception
// stops the walk and leaves ForEachTile.
using TileVisitor = std::function<void(const TileName&, ByteSource&)>;
using ProblemSink = std::function<void(const InputProblem&)>;

// Visits the tiles of `item` in order: a tile file once; of a zip, the
// *.xml members in the item's share and every *.xml member of the *.zip
// members in its share (a nested zip belongs wholly to one share), at any
// depth up to kMaxZipDepth. Directories and other members are passed over.
// What goes wrong beyond one tile goes to `problem` with where it happened
// (an unreadable file, a damaged zip, an encrypted member), and the walk
// goes on with the next member as long as the zip can still be read.
// `bytes_read` (may be null) grows as the item's file is read from disk,
// for progress and throughput, by exactly item.bytes in all: reads beyond
// it (a share also reads the zip's directory and its neighbours' headers)
// are not counted, and what was not read is added when the walk ends.
// Example: share 0 of 1 of "p.zip" holding "a.XML" and "in.zip" holding
// "b.xml" visits {"p.zip!a.XML", "a"} then {"p.zip!in.zip!b.xml", "b"}.
void ForEachTile(const WorkItem& item, const TileVisitor& visit, const ProblemSink& problem,
                 std::atomic<uint64_t>* bytes_read);

// Zips inside zips are opened this deep at most (the top-level zip is 1):
// deeper than any real download, and a zip that contains itself would
// otherwise be opened without end.
inline constexpr int kMaxZipDepth = 16;

}  // namespace tolvex::cli
