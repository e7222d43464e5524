// Visiting the tiles of work items: tile files, zips of zips streamed,
// shares, visitors that stop early or throw, damaged zips, progress.
#include "convert/cli/tile_walk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "tests/convert/test_inputs.h"

namespace tolvex::cli {
namespace {

using testing::Noise;
using testing::Packing;
using testing::ZipBytes;

struct Visit {
  std::string display, name, bytes;
  bool operator==(const Visit&) const = default;
};

struct WalkResult {
  std::vector<Visit> visits;
  std::vector<uint64_t> progress;  // the bytes read before and after each visit
  std::vector<InputProblem> problems;
};

// Reads each tile whole (or its first `limit` bytes) in pieces that line up
// with no block boundary of any layer. A tile named "bad" fails to read;
// one named "bug" throws as a bug in the visitor would.
WalkResult Walk(const std::vector<WorkItem>& items, size_t limit = SIZE_MAX,
                bool count_progress = true) {
  WalkResult result;
  std::atomic<uint64_t> bytes_read{0};
  const auto visit = [&](const TileName& tile, ByteSource& source) {
    result.progress.push_back(bytes_read);
    Visit& seen = result.visits.emplace_back(Visit{tile.display, tile.name, ""});
    if (tile.name == "bad") throw ReadError("bad tile");
    if (tile.name == "bug") throw std::logic_error("bug");
    char buffer[4093];
    for (size_t got = 1; got > 0 && seen.bytes.size() < limit;) {
      got = source.Read(buffer, std::min(sizeof buffer, limit - seen.bytes.size()));
      seen.bytes.append(buffer, got);
    }
    result.progress.push_back(bytes_read);
  };
  const auto problem = [&](const InputProblem& found) { result.problems.push_back(found); };
  for (const WorkItem& item : items)
    ForEachTile(item, visit, problem, count_progress ? &bytes_read : nullptr);
  result.progress.push_back(bytes_read);
  return result;
}

// A zip holding a tile under a directory, a zip of a tile and members to pass
// over; then a tile file. Every tile in every share, whole or cut short.
TEST(TileWalk, TilesAndNestedZipsStreamedExactly) {
  const std::string tile = "FG-GML-5339-45-DEM5A-20161001";
  for (const Packing outer : {Packing::kStore, Packing::kDeflate}) {
    for (const Packing inner : {Packing::kStore, Packing::kDeflate}) {
      testing::ScratchDir dir;
      const std::string in = ZipBytes({{"x.xml", Noise(70000, 2)}, {"y.txt", "no"}}, inner);
      const std::string pack_path =
          dir.Write("pack.zip", ZipBytes({{"sub/" + tile + ".XML", Noise(300000, 1)},
                                          {"link.xml", "", "b.xml"},
                                          {"in.zip", in},
                                          {"__MACOSX/._b.xml", "fork"},
                                          {"b.xml", Noise(5, 4)}},
                                         outer));
      const WorkItem pack{pack_path, true, 0, 1, std::filesystem::file_size(pack_path)};
      const WorkItem file{dir.Write("t/" + tile + ".Xml", Noise(100000, 5)), false, 0, 1, 100000};
      const std::vector<Visit> whole = {
          {pack.path + "!sub/" + tile + ".XML", tile, Noise(300000, 1)},
          {pack.path + "!in.zip!x.xml", "x", Noise(70000, 2)},
          {pack.path + "!b.xml", "b", Noise(5, 4)},
          {file.path, tile, Noise(100000, 5)}};
      for (const size_t limit : {SIZE_MAX, size_t{0}, size_t{3}, size_t{4096}}) {
        std::vector<Visit> expected = whole;
        for (Visit& visit : expected) visit.bytes.resize(std::min(visit.bytes.size(), limit));
        const WalkResult result = Walk({pack, file}, limit);
        EXPECT_TRUE(result.visits == expected && result.problems.empty()) << limit;
        EXPECT_EQ(result.progress.back(), pack.bytes + file.bytes);
        // Counted as read, not when an item is done: the first tile is most of the pack.
        EXPECT_TRUE(limit != SIZE_MAX || result.progress[2] > pack.bytes / 2);
        EXPECT_LE(result.progress[2], pack.bytes);
        EXPECT_EQ(result.progress[7], pack.bytes + std::min(limit, file.bytes));  // file read
      }
      for (int shares = 2; shares <= 4; ++shares) {
        std::vector<InputProblem> problems;
        const WalkResult result = Walk(ExpandInputs({pack.path}, shares, &problems));
        EXPECT_TRUE(std::is_permutation(result.visits.begin(), result.visits.end(), whole.begin(),
                                        whole.end() - 1))
            << shares << " shares";
        EXPECT_EQ(result.progress.back(), pack.bytes);
        EXPECT_TRUE(problems.empty() && result.problems.empty());
      }
    }
  }
}

// The members before the damage are visited, then a problem names where
// reading stopped. A tile's ReadError is its problem alone; anything else
// ends the walk.
TEST(TileWalk, ProblemsNameWhereTheWalkStopped) {
  testing::ScratchDir dir;
  const std::string two = ZipBytes({{"a.xml", Noise(1000, 6)}, {"b.xml", Noise(200000, 7)}});
  const std::string in_cut = ZipBytes({{"in.zip", two}}).substr(0, 100000);
  const std::string bad =
      ZipBytes({{"bad.xml", ""}, {"in.zip", ZipBytes({{"bad.xml", ""}})}, {"c.xml", ""}});
  // A member longer than its headers say: libarchive's message for it ends
  // in a line feed, which must not reach ours.
  std::string resized = ZipBytes({{"a.xml", Noise(5000, 8)}, {"b.xml", "b"}}, Packing::kDeflate);
  for (const size_t size_field : {size_t{22}, resized.find("PK\x01\x02") + 24})
    resized[size_field] = static_cast<char>(resized[size_field] - 1);
  std::string locked = ZipBytes({{"s.xml", "secret"}});  // flagged as encrypted
  for (const size_t flags : {size_t{6}, locked.find("PK\x01\x02") + 8}) locked[flags] |= 1;
  std::string deep = ZipBytes({{"t.xml", "tile"}}), zips;
  for (int depth = 1; depth < kMaxZipDepth; ++depth, zips += "!z.zip")
    deep = ZipBytes({{"z.zip", deep}});
  const std::string gone = "cannot open " + dir.Path("gone.xml") + ": No such file or directory";
  const struct {
    std::string name, bytes;  // no bytes: no such file
    std::vector<std::string> visited;
    std::string where, message;  // of the last problem, after the path; no message: no problem
  } rows[] = {
      {"cut.zip", two.substr(0, 100000), {"!a.xml", "!b.xml"}, "", "Truncated"},
      {"in_cut.zip", in_cut, {"!in.zip!a.xml", "!in.zip!b.xml"}, "", "Truncated"},
      {"missing.zip", "", {}, "", "No such file or directory"},
      {"gone.xml", "", {}, "", gone},
      {"bad.zip", bad, {"!bad.xml", "!in.zip!bad.xml", "!c.xml"}, "!in.zip!bad.xml", "bad tile"},
      {"nested.zip", ZipBytes({{"bad.zip", "hello"}, {"c.xml", "c"}}), {"!c.xml"}, "!bad.zip",
       "Unrecognized"},
      {"resized.zip", resized, {"!a.xml", "!b.xml"}, "!a.xml", "wrong size"},
      {"locked.zip", locked, {}, "!s.xml", "encrypted"},
      {"deepest.zip", deep, {zips + "!t.xml"}, "", ""},
      {"too_deep.zip", ZipBytes({{"z.zip", deep}}), {}, zips + "!z.zip", "more than 16 deep"},
  };
  for (const auto& row : rows) {
    const std::string path =
        row.bytes.empty() ? dir.Path(row.name) : dir.Write(row.name, row.bytes);
    const WalkResult result =
        Walk({{path, path.ends_with(".zip"), 0, 1, row.bytes.size()}}, SIZE_MAX, false);
    std::vector<std::string> visited, expected;
    for (const Visit& visit : result.visits) visited.push_back(visit.display);
    for (const std::string& member : row.visited) expected.push_back(path + member);
    EXPECT_EQ(visited, expected);
    ASSERT_EQ(result.problems.empty(), row.message.empty()) << path;
    if (row.message.empty()) continue;
    const InputProblem& last = result.problems.back();
    EXPECT_EQ(last.where, path + row.where);
    EXPECT_TRUE(last.message.find(row.message) != std::string::npos && last.message.back() != '\n')
        << last.message;
    // Tiles before the damage arrive whole.
    EXPECT_TRUE(row.name != "cut.zip" || result.visits[0].bytes == Noise(1000, 6));
  }
  const std::string bug = dir.Write("bug.zip", ZipBytes({{"a.xml", ""}, {"bug.xml", ""}}));
  EXPECT_THROW(Walk({{bug, true}}, SIZE_MAX, false), std::logic_error);
}

}  // namespace
}  // namespace tolvex::cli
