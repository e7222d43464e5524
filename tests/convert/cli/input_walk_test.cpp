// Expanding inputs into work items: directory walks, explicit inputs and
// their problems, zips split into shares.
#include "convert/cli/input_walk.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/convert/cli/zip_fixture.h"

namespace tolvex::cli {
namespace {

using testing::Packing;
using testing::TempDir;
using testing::ZipBytes;

// One string field of every record: Column(items, &WorkItem::path).
template <class Record>
std::vector<std::string> Column(const std::vector<Record>& records, std::string Record::*field) {
  std::vector<std::string> column;
  for (const Record& record : records) column.push_back(record.*field);
  return column;
}

TEST(InputWalk, DirectoriesAndExplicitInputs) {
  TempDir dir;
  const std::string root = dir.Path("root");
  dir.Write("root/a.ZIP", ZipBytes({{"m.xml", "m"}}, Packing::kStore));
  for (const char* name : {"b.xml", "c.txt", "._e.xml", "sub/C.Xml", "sub/notes.md", "z/d.xml"})
    dir.Write(std::string("root/") + name, name);
  std::filesystem::create_directory_symlink(".", root + "/loop");
  std::filesystem::create_directory_symlink("..", root + "/sub/up");
  std::filesystem::create_symlink("nowhere", root + "/gone.xml");
  std::filesystem::create_symlink("nowhere", root + "/gone.txt");
  const std::vector<std::string> walked = {root + "/a.ZIP", root + "/b.xml", root + "/sub/C.Xml",
                                           root + "/z/d.xml"};
  const struct {
    std::vector<std::string> inputs, items, problems;
  } rows[] = {
      {{root}, walked, {root + "/gone.xml"}},
      {{root + "/"}, walked, {root + "/gone.xml"}},
      {{root + "/z/d.xml", dir.Path("missing"), root + "/c.txt", root + "/sub/C.Xml"},
       {root + "/z/d.xml", root + "/sub/C.Xml"},
       {dir.Path("missing"), root + "/c.txt"}},
      {{root + "/z", root + "/b.xml", root + "/z", root + "/z/../z/d.xml"},
       {root + "/z/d.xml", root + "/b.xml"},  // a file met again is read once
       {}},
  };
  for (const auto& row : rows) {
    std::vector<InputProblem> problems;
    const std::vector<WorkItem> items = ExpandInputs(row.inputs, 4, &problems);
    EXPECT_EQ(Column(items, &WorkItem::path), row.items) << row.inputs[0];
    EXPECT_EQ(Column(problems, &InputProblem::where), row.problems) << row.inputs[0];
    for (const WorkItem& item : items) {
      EXPECT_EQ(item.is_zip, item.path.ends_with(".ZIP"));
      EXPECT_EQ(item.tiles, 1u);
      EXPECT_EQ(item.bytes, std::filesystem::file_size(item.path));
    }
  }
  std::vector<InputProblem> problems;
  ExpandInputs({dir.Path("missing"), root + "/c.txt"}, 1, &problems);
  EXPECT_EQ(problems[0].message, "No such file or directory");
  EXPECT_EQ(problems[1].message, "neither a tile (.xml) nor a zip (.zip)");
}

TEST(InputWalk, ZipsSplitIntoShares) {
  TempDir dir;
  const std::string xyz = dir.Write(
      "xyz.zip", ZipBytes({{"x.xml", "x"}, {"y.xml", "y"}, {"z.xml", "z"}}, Packing::kDeflate));
  // Five members count, the directory and the text file do not.
  const std::string mixed =
      dir.Write("mixed.zip", ZipBytes({{"t1.xml", "1"},
                                       {"n.zip", ZipBytes({{"i.xml", "i"}}, Packing::kStore)},
                                       {"d/", ""},
                                       {"t2.XML", "2"},
                                       {"other.txt", "o"},
                                       {"d/t3.xml", "3"},
                                       {"t4.xml", "4"}},
                                      Packing::kStore));
  const std::string one = dir.Write("one.zip", ZipBytes({{"only.xml", "o"}}, Packing::kStore));
  const std::string junk = dir.Write("junk.zip", "not a zip at all");
  const struct {
    std::string zip;
    int shares;
    std::vector<uint64_t> tiles;  // of each item, share 0 first
  } rows[] = {
      {xyz, 2, {2, 1}}, {mixed, 3, {2, 1, 1}}, {mixed, 8, {1, 0, 1, 1, 1}},
      {one, 4, {1}},    {junk, 4, {0}},
  };
  for (const auto& row : rows) {
    std::vector<InputProblem> problems;
    const std::vector<WorkItem> items = ExpandInputs({row.zip}, row.shares, &problems);
    EXPECT_TRUE(problems.empty());
    ASSERT_EQ(items.size(), row.tiles.size()) << row.zip << " " << row.shares;
    uint64_t bytes = 0;
    for (size_t k = 0; k < items.size(); ++k) {
      EXPECT_TRUE(items[k].is_zip);
      EXPECT_EQ(items[k].share, static_cast<int>(k));
      EXPECT_EQ(items[k].shares, static_cast<int>(items.size()));
      EXPECT_EQ(items[k].tiles, row.tiles[k]) << row.zip << " share " << k;
      EXPECT_LE(items[k].bytes - items.back().bytes, items.size());
      bytes += items[k].bytes;
    }
    EXPECT_EQ(bytes, std::filesystem::file_size(row.zip));
  }
}

}  // namespace
}  // namespace tolvex::cli
