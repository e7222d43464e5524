// Expanding the inputs into work items (see input_walk.h).
#include "convert/cli/input_walk.h"

#include <algorithm>
#include <cerrno>
#include <set>
#include <utility>

#include "convert/cli/input_name.h"
#include "convert/cli/zip_reader.h"
#include "runtime/os/batch_files.h"

namespace tolvex::cli {
namespace {

// The kinds of a zip's tile and zip members in order, or false when its
// central directory cannot be read to the end without trouble.
bool ListWorkMembers(const std::string& path, std::vector<InputKind>* kinds) {
  try {
    ZipReader zip(path, /*need_directory=*/true);
    while (zip.Next())
      if (zip.member_kind() != InputKind::kOther) kinds->push_back(zip.member_kind());
    return true;
  } catch (const ReadError&) {
    return false;
  }
}

std::string JoinPath(const std::string& directory, const std::string& name) {
  return !directory.empty() && directory.back() == '/' ? directory + name : directory + "/" + name;
}

class Expander {
 public:
  Expander(int shares, std::vector<InputProblem>* problems)
      : shares_(std::max(shares, 1)), problems_(*problems) {}

  void AddInput(const std::string& path) {
    os::PathInfo info;
    if (!os::DescribePath(path, &info)) return Problem(path, os::ErrorText(errno));
    if (info.kind == os::PathKind::kDirectory) {
      std::set<std::pair<uint64_t, uint64_t>> entered;
      return AddDirectory(path, info, &entered);
    }
    const InputKind kind = KindOfName(path);
    if (kind == InputKind::kOther) return Problem(path, "neither a tile (.xml) nor a zip (.zip)");
    AddFile(path, kind, info);
  }

  std::vector<WorkItem> TakeItems() { return std::move(items_); }

 private:
  void Problem(const std::string& where, const std::string& message) {
    problems_.push_back({where, message});
  }

  // `entered` holds the directories of this input already searched, by
  // identity, so a link back up the tree cannot loop.
  void AddDirectory(const std::string& path, const os::PathInfo& info,
                    std::set<std::pair<uint64_t, uint64_t>>* entered) {
    if (!entered->insert({info.device, info.inode}).second) return;
    std::vector<std::string> names;
    if (!os::ListDirectory(path, &names)) return Problem(path, os::ErrorText(errno));
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
      const std::string entry = JoinPath(path, name);
      const InputKind kind = KindOfName(name);
      os::PathInfo entry_info;
      if (!os::DescribePath(entry, &entry_info)) {
        // A dangling link is worth a word only where a tile or zip was meant.
        if (kind != InputKind::kOther) Problem(entry, os::ErrorText(errno));
      } else if (entry_info.kind == os::PathKind::kDirectory) {
        AddDirectory(entry, entry_info, entered);
      } else if (entry_info.kind == os::PathKind::kFile && kind != InputKind::kOther) {
        AddFile(entry, kind, entry_info);
      }
    }
  }

  // A file met again (named twice, or inside a folder also given) is read
  // once: its outputs would otherwise collide with themselves.
  void AddFile(const std::string& path, InputKind kind, const os::PathInfo& info) {
    if (!added_.insert({info.device, info.inode}).second) return;
    const uint64_t size = info.size;
    if (kind == InputKind::kTile) {
      items_.push_back({path, false, 0, 1, size, 1});
      return;
    }
    std::vector<InputKind> members;
    if (!ListWorkMembers(path, &members)) {
      items_.push_back({path, true, 0, 1, size, 0});  // its tiles are found as it is read
      return;
    }
    // More items than members would only open the zip for nothing.
    const int shares =
        static_cast<int>(std::clamp<size_t>(members.size(), 1, static_cast<size_t>(shares_)));
    for (int share = 0; share < shares; ++share) {
      uint64_t tiles = 0;
      for (size_t i = static_cast<size_t>(share); i < members.size();
           i += static_cast<size_t>(shares))
        tiles += members[i] == InputKind::kTile;
      // Share 0 takes the remainder, so the items add up to the file.
      const uint64_t bytes = size / static_cast<uint64_t>(shares) +
                             (share == 0 ? size % static_cast<uint64_t>(shares) : 0);
      items_.push_back({path, true, share, shares, bytes, tiles});
    }
  }

  const int shares_;
  std::vector<InputProblem>& problems_;
  std::vector<WorkItem> items_;
  std::set<std::pair<uint64_t, uint64_t>> added_;  // files by identity
};

}  // namespace

std::vector<WorkItem> ExpandInputs(const std::vector<std::string>& inputs, int shares,
                                   std::vector<InputProblem>* problems) {
  Expander expander(shares, problems);
  for (const std::string& input : inputs) expander.AddInput(input);
  return expander.TakeItems();
}

}  // namespace tolvex::cli
