// The inputs of `tolvex convert` expanded into work items for the workers:
// tiles, zips (split into shares when they hold several members) and the
// tiles and zips found in directories.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace tolvex::cli {

struct WorkItem {
  std::string path;  // the file on disk (a tile or a zip)
  bool is_zip = false;
  // A zip's members are split among workers: this item takes the members
  // whose index % shares == share, counting only tile and zip members
  // (KindOfName, in the order the zip lists them).
  int share = 0, shares = 1;
  uint64_t bytes = 0;  // bytes on disk this item reads, for progress
  uint64_t tiles = 0;  // tiles known up front: 1 for a tile file; the tile
                       // members directly in this share of a zip
};

// Something given that cannot be worked on: `where` is the path, `message`
// why ("No such file or directory", "neither a tile (.xml) nor a zip (.zip)").
struct InputProblem {
  std::string where;
  std::string message;
};

// Expands `inputs` (paths of tiles, zips and directories, any mix; *.xml and
// *.zip in any letter case) into work items, in the order given; directories
// are searched recursively, their entries sorted by name, files that are
// neither tiles nor zips passed over silently; symbolic links are followed,
// but a directory met twice within one input is searched once, so a link
// back up the tree cannot loop.
// A zip whose central directory lists its members cheaply and cleanly, with
// more than one tile or zip member, becomes min(shares, members) items,
// share k of n; any other zip one item (shares 1) so that its worker reads
// it from the start and reports what is wrong with it.
// Problems (a missing input, an unreadable directory, an explicit input of
// another kind) go to `problems`; the rest is expanded all the same.
// Precondition: shares >= 1.
// Example: inputs {"t/A.XML", "pack.zip"} with pack.zip holding x.xml,
// y.xml, z.xml and shares 2 give {t/A.XML, 1 tile}, {pack.zip share 0 of 2,
// 2 tiles}, {pack.zip share 1 of 2, 1 tile}.
std::vector<WorkItem> ExpandInputs(const std::vector<std::string>& inputs, int shares,
                                   std::vector<InputProblem>* problems);

}  // namespace tolvex::cli
