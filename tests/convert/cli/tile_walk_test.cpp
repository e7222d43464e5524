// Visiting the tiles of work items: tile files, zips of zips streamed,
// shares, visitors that stop early, damaged zips, progress.
#include "convert/cli/tile_walk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "runtime/os/batch_files.h"
#include "tests/convert/cli/zip_fixture.h"

namespace tolvex::cli {
namespace {

using testing::Noise;
using testing::Packing;
using testing::TempDir;
using testing::ZipBytes;

struct Visit {
  std::string display, name, bytes;
  uint64_t bytes_read_before = 0, bytes_read_after = 0;  // the progress total around the visit
};

struct WalkResult {
  std::vector<Visit> visits;
  std::vector<InputProblem> problems;
  std::vector<std::string> Displays() const {
    std::vector<std::string> displays;
    for (const Visit& visit : visits) displays.push_back(visit.display);
    return displays;
  }
};

// Reads each tile whole (or its first `limit` bytes) in odd pieces, so no
// read lines up with a block boundary of any layer. The progress total may
// never run ahead of the bytes of the items walked so far.
WalkResult Walk(const std::vector<WorkItem>& items, std::atomic<uint64_t>* bytes_read = nullptr,
                size_t limit = SIZE_MAX) {
  WalkResult result;
  uint64_t budget = 0;
  const auto progress = [&] {
    const uint64_t total = bytes_read != nullptr ? bytes_read->load() : 0;
    EXPECT_LE(total, budget);
    return total;
  };
  const size_t pieces[] = {1, 7, 4093, 65537};
  const auto visit = [&](const TileName& tile, ByteSource& source) {
    Visit seen{tile.display, tile.name, "", progress()};
    char buffer[65537];
    try {
      for (size_t i = 0; seen.bytes.size() < limit; ++i) {
        const size_t want = std::min(pieces[i % 4], limit - seen.bytes.size());
        const size_t got = source.Read(buffer, want);
        if (got == 0) break;
        seen.bytes.append(buffer, got);
      }
    } catch (const ReadError&) {
      result.visits.push_back(seen);  // what arrived before the damage
      throw;
    }
    seen.bytes_read_after = progress();
    result.visits.push_back(seen);
  };
  const auto problem = [&](const InputProblem& found) { result.problems.push_back(found); };
  for (const WorkItem& item : items) {
    budget += item.bytes;
    ForEachTile(item, visit, problem, bytes_read);
  }
  return result;
}

WorkItem ZipItem(const std::string& path) {
  uint64_t size = 0;
  os::SizeOfFile(path, &size);
  return {path, true, 0, 1, size, 0};
}

const std::string kTileName = "FG-GML-5339-45-DEM5A-20161001";

// pack.zip: a tile stored under directories with an upper-case extension,
// a zip holding a tile and a zip holding a tile, and members to pass over.
std::string MakePack(const TempDir& dir, Packing outer, Packing inner) {
  const std::string deeper = ZipBytes({{"y.xml", Noise(1000, 3)}, {"y.txt", "no"}}, inner);
  const std::string middle = ZipBytes({{"x.xml", Noise(70000, 2)}, {"deeper.ZIP", deeper}}, inner);
  return dir.Write("pack.zip", ZipBytes({{"sub/dir/" + kTileName + ".XML", Noise(300000, 1)},
                                         {"readme.txt", "x"},
                                         {"empty.xml/", ""},
                                         {"link.xml", "", "b.xml"},
                                         {"inner.zip", middle},
                                         {"__MACOSX/sub/._b.xml", "resource fork"},
                                         {"b.xml", Noise(5, 4)}},
                                        outer));
}

std::vector<Visit> PackVisits(const std::string& pack) {
  return {{pack + "!sub/dir/" + kTileName + ".XML", kTileName, Noise(300000, 1)},
          {pack + "!inner.zip!x.xml", "x", Noise(70000, 2)},
          {pack + "!inner.zip!deeper.ZIP!y.xml", "y", Noise(1000, 3)},
          {pack + "!b.xml", "b", Noise(5, 4)}};
}

void ExpectVisits(const std::vector<Visit>& expected, const std::vector<Visit>& seen) {
  ASSERT_EQ(seen.size(), expected.size());
  for (size_t i = 0; i < seen.size(); ++i) {
    EXPECT_EQ(seen[i].display, expected[i].display);
    EXPECT_EQ(seen[i].name, expected[i].name);
    EXPECT_TRUE(seen[i].bytes == expected[i].bytes) << seen[i].display;
  }
}

TEST(TileWalk, NestedZipsStreamEveryTileExactly) {
  for (const Packing outer : {Packing::kStore, Packing::kDeflate}) {
    for (const Packing inner : {Packing::kStore, Packing::kDeflate}) {
      TempDir dir;
      const WorkItem item = ZipItem(MakePack(dir, outer, inner));
      std::atomic<uint64_t> bytes_read{0};
      const WalkResult result = Walk({item}, &bytes_read);
      ExpectVisits(PackVisits(item.path), result.visits);
      EXPECT_TRUE(result.problems.empty());
      EXPECT_EQ(bytes_read.load(), item.bytes);
      // Counted as read, not only at the end: the first tile is most of the file.
      EXPECT_GT(result.visits[1].bytes_read_before, item.bytes / 2);
    }
  }
}

TEST(TileWalk, SharesVisitEveryTileOnce) {
  TempDir dir;
  const std::string pack = MakePack(dir, Packing::kDeflate, Packing::kDeflate);
  std::vector<std::string> all;
  for (const Visit& visit : PackVisits(pack)) all.push_back(visit.display);
  std::sort(all.begin(), all.end());
  for (int shares = 1; shares <= 4; ++shares) {
    std::vector<InputProblem> problems;
    const std::vector<WorkItem> items = ExpandInputs({pack}, shares, &problems);
    ASSERT_EQ(items.size(), static_cast<size_t>(std::min(shares, 3)));  // tile, inner.zip, b.xml
    std::atomic<uint64_t> bytes_read{0};
    const WalkResult result = Walk(items, &bytes_read);
    std::vector<std::string> seen = result.Displays();
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, all) << shares << " shares";
    EXPECT_EQ(bytes_read.load(), std::filesystem::file_size(pack));
    EXPECT_TRUE(problems.empty() && result.problems.empty());
  }
}

TEST(TileWalk, VisitorsThatStopEarlyOrThrow) {
  TempDir dir;
  const WorkItem item = ZipItem(MakePack(dir, Packing::kDeflate, Packing::kDeflate));
  const std::vector<Visit> expected = PackVisits(item.path);
  for (const size_t limit : {0, 3, 4096}) {
    const WalkResult result = Walk({item}, nullptr, limit);
    ASSERT_EQ(result.visits.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
      EXPECT_TRUE(result.visits[i].bytes == expected[i].bytes.substr(0, limit));
  }
  // A ReadError let out is that tile's problem and the walk goes on;
  // anything else ends it.
  std::vector<InputProblem> problems;
  const auto collect = [&](const InputProblem& problem) { problems.push_back(problem); };
  ForEachTile(
      item, [](const TileName&, ByteSource&) { throw ReadError("bad tile"); }, collect, nullptr);
  ASSERT_EQ(problems.size(), 4u);
  EXPECT_EQ(problems[2].where, expected[2].display);
  EXPECT_EQ(problems[2].message, "bad tile");
  const auto bug = [](const TileName&, ByteSource&) { throw std::logic_error("bug"); };
  EXPECT_THROW(ForEachTile(item, bug, collect, nullptr), std::logic_error);
}

TEST(TileWalk, TileFiles) {
  TempDir dir;
  const std::string path = dir.Write("t/" + kTileName + ".Xml", Noise(100000, 5));
  const std::string gone = dir.Path("gone.xml");  // vanished since the inputs were expanded
  std::atomic<uint64_t> bytes_read{0};
  const WalkResult result =
      Walk({{path, false, 0, 1, 100000, 1}, {gone, false, 0, 1, 10, 1}}, &bytes_read);
  ExpectVisits({{path, kTileName, Noise(100000, 5)}}, result.visits);
  EXPECT_EQ(result.visits[0].bytes_read_after, 100000u);
  EXPECT_EQ(bytes_read.load(), 100010u);
  ASSERT_EQ(result.problems.size(), 1u);
  EXPECT_EQ(result.problems[0].where, gone);
  EXPECT_EQ(result.problems[0].message, "cannot open " + gone + ": No such file or directory");
}

// The members before the damage are visited, then a problem names the zip
// (or the inner zip) where reading had to stop.
TEST(TileWalk, DamagedZipsAreProblemsNamingThem) {
  TempDir dir;
  const std::string two =
      ZipBytes({{"a.xml", Noise(1000, 6)}, {"b.xml", Noise(200000, 7)}}, Packing::kStore);
  const std::string cut = dir.Write("cut.zip", two.substr(0, two.size() / 2));
  const std::string junk = dir.Write("junk.zip", "this is not a zip");
  const std::string nested =
      dir.Write("nested.zip", ZipBytes({{"bad.zip", "hello"}, {"c.xml", "c"}}, Packing::kDeflate));
  const std::string inner_cut = dir.Write(
      "inner_cut.zip", ZipBytes({{"inner.zip", two}}, Packing::kStore).substr(0, two.size() / 2));
  // A member longer than its headers say: libarchive's message for it ends
  // in a line feed, which must not reach ours.
  std::string resized_bytes =
      ZipBytes({{"a.xml", Noise(5000, 8)}, {"b.xml", "b"}}, Packing::kDeflate);
  for (const size_t size_field : {size_t{22}, resized_bytes.find("PK\x01\x02") + 24})
    resized_bytes[size_field] = static_cast<char>(resized_bytes[size_field] - 1);
  const std::string resized = dir.Write("resized.zip", resized_bytes);
  const std::string locked =
      dir.Write("locked.zip", ZipBytes({{"s.xml", "secret"}}, Packing::kDeflate, "passphrase"));
  const std::string missing = dir.Path("missing.zip");
  const struct {
    std::string path;
    std::vector<std::string> visited;
    std::string where, message_part;  // of the last problem
  } rows[] = {
      {cut, {cut + "!a.xml", cut + "!b.xml"}, cut, "Truncated"},
      {junk, {}, junk, ""},
      {missing, {}, missing, "No such file or directory"},
      {nested, {nested + "!c.xml"}, nested + "!bad.zip", ""},
      {inner_cut,
       {inner_cut + "!inner.zip!a.xml", inner_cut + "!inner.zip!b.xml"},
       inner_cut,
       "Truncated"},
      {resized, {resized + "!a.xml", resized + "!b.xml"}, resized + "!a.xml", "wrong size"},
      {locked, {}, locked + "!s.xml", "encrypted"},
  };
  for (const auto& row : rows) {
    const WalkResult result = Walk({ZipItem(row.path)});
    EXPECT_EQ(result.Displays(), row.visited) << row.path;
    ASSERT_FALSE(result.problems.empty()) << row.path;
    EXPECT_EQ(result.problems.back().where, row.where);
    EXPECT_NE(result.problems.back().message.find(row.message_part), std::string::npos);
    for (const InputProblem& problem : result.problems)
      EXPECT_FALSE(problem.message.empty() || problem.message.back() == '\n') << problem.message;
    // Tiles before the damage arrive whole, the one across it cut short.
    EXPECT_TRUE(row.path != cut || result.visits[0].bytes == Noise(1000, 6));
  }
}

TEST(TileWalk, ZipsNestedTooDeepAreNotOpened) {
  for (const int depth : {kMaxZipDepth, kMaxZipDepth + 1}) {
    TempDir dir;
    std::string zip = ZipBytes({{"t.xml", "tile"}}, Packing::kStore);
    for (int level = 1; level < depth; ++level) zip = ZipBytes({{"z.zip", zip}}, Packing::kStore);
    const WalkResult result = Walk({ZipItem(dir.Write("deep.zip", zip))});
    EXPECT_EQ(result.visits.size(), depth <= kMaxZipDepth ? 1u : 0u) << depth;
    EXPECT_EQ(result.problems.size(), depth <= kMaxZipDepth ? 0u : 1u) << depth;
  }
}

}  // namespace
}  // namespace tolvex::cli
