// Visiting the tiles of a work item (see tile_walk.h).
#include "convert/cli/tile_walk.h"

#include <algorithm>

#include "convert/cli/file_source.h"
#include "convert/cli/input_name.h"
#include "convert/cli/zip_reader.h"

namespace tolvex::cli {
namespace {

// An item's share of the shared progress total: disk reads are added as
// they happen up to the item's bytes, and the rest when the walk is over,
// so the total ends at the sum over all items whatever each one read.
class Progress {
 public:
  Progress(std::atomic<uint64_t>* total, uint64_t item_bytes) : total_(total), left_(item_bytes) {}
  ~Progress() { Add(left_); }
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  void Add(uint64_t bytes) {
    bytes = std::min(bytes, left_);
    left_ -= bytes;
    if (total_ != nullptr && bytes > 0) total_->fetch_add(bytes, std::memory_order_relaxed);
  }

 private:
  std::atomic<uint64_t>* total_;
  uint64_t left_;
};

// A tile file whose reads count as progress.
class CountedFile : public ByteSource {
 public:
  CountedFile(const std::string& path, Progress& progress) : file_(path), progress_(progress) {}
  size_t Read(char* buffer, size_t capacity) override {
    const size_t count = file_.Read(buffer, capacity);
    progress_.Add(count);
    return count;
  }

 private:
  FileSource file_;
  Progress& progress_;
};

class Walker {
 public:
  Walker(const TileVisitor& visit, const ProblemSink& problem) : visit_(visit), problem_(problem) {}

  void VisitFile(const std::string& path, Progress& progress) {
    try {
      CountedFile file(path, progress);
      visit_({path, TileBaseName(path)}, file);
    } catch (const ReadError& error) {
      problem_({path, error.what()});
    }
  }

  void WalkTopZip(const WorkItem& item, Progress& progress) {
    try {
      ZipReader zip(item.path, /*need_directory=*/false,
                    [&progress](uint64_t bytes) { progress.Add(bytes); });
      WalkZip(zip, item.path, item.share, item.shares, 1);
    } catch (const ReadError& error) {
      problem_({item.path, error.what()});
    }
  }

 private:
  // Members count towards the shares only when they are tiles or zips, as
  // ExpandInputs counted them. A ReadError out of here is about `zip`.
  void WalkZip(ZipReader& zip, const std::string& where, int share, int shares, int depth) {
    int index = 0;  // of this member among the tiles and zips, modulo shares
    while (zip.Next()) {
      if (zip.member_kind() == InputKind::kOther) continue;
      const bool mine = index == share;
      index = (index + 1) % shares;
      if (!mine) continue;
      const std::string member = where + "!" + zip.member_path();
      if (zip.member_encrypted()) {
        problem_({member, "encrypted, passed over"});
      } else if (zip.member_kind() == InputKind::kTile) {
        VisitMember(zip, member);
      } else {
        WalkInnerZip(zip, member, depth + 1);
      }
    }
  }

  void VisitMember(ZipReader& zip, const std::string& member) {
    try {
      visit_({member, TileBaseName(zip.member_path())}, zip);
    } catch (const ReadError& error) {
      problem_({member, error.what()});
    }
  }

  void WalkInnerZip(ZipReader& parent, const std::string& where, int depth) {
    if (depth > kMaxZipDepth) {
      problem_(
          {where, "zips nested more than " + std::to_string(kMaxZipDepth) + " deep; not opened"});
      return;
    }
    try {
      ZipReader zip(parent);
      WalkZip(zip, where, 0, 1, depth);
    } catch (const ReadError& error) {
      problem_({where, error.what()});
    }
  }

  const TileVisitor& visit_;
  const ProblemSink& problem_;
};

}  // namespace

void ForEachTile(const WorkItem& item, const TileVisitor& visit, const ProblemSink& problem,
                 std::atomic<uint64_t>* bytes_read) {
  Progress progress(bytes_read, item.bytes);
  Walker walker(visit, problem);
  if (item.is_zip)
    walker.WalkTopZip(item, progress);
  else
    walker.VisitFile(item.path, progress);
}

}  // namespace tolvex::cli
