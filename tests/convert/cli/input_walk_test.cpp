// Expanding inputs into work items: directory walks, explicit inputs and
// their problems, zips split into shares.
#include "convert/cli/input_walk.h"

#include <gtest/gtest.h>

#include "tests/convert/test_inputs.h"

namespace tolvex::cli {
namespace {

using testing::ZipBytes;

// Each item as "path kind share/shares tiles", each problem as "where: message".
// Share 0 also takes the bytes left over, so the shares add up to the file.
std::vector<std::string> Expand(const std::vector<std::string>& inputs, int shares) {
  std::vector<InputProblem> problems;
  std::vector<std::string> lines;
  for (const WorkItem& item : ExpandInputs(inputs, shares, &problems)) {
    lines.push_back(item.path + (item.is_zip ? " zip " : " tile ") + std::to_string(item.share) +
                    "/" + std::to_string(item.shares) + " " + std::to_string(item.tiles));
    const uint64_t size = std::filesystem::file_size(item.path);
    const uint64_t n = static_cast<uint64_t>(item.shares);
    EXPECT_EQ(item.bytes, size / n + (item.share == 0 ? size % n : 0)) << lines.back();
  }
  for (const InputProblem& problem : problems)
    lines.push_back(problem.where + ": " + problem.message);
  return lines;
}

// Directories are searched in name order, links followed but no directory
// twice; a file met again is read once. Share k of n of a zip takes its
// tile and zip members k, k + n, ...
TEST(InputWalk, DirectoriesFilesAndShares) {
  testing::ScratchDir dir;
  const std::string root = dir.Path("root") + "/", missing = dir.Path("missing");
  for (const char* name : {"b.xml", "c.txt", "._e.xml", "sub/C.Xml", "z/d.xml"})
    dir.Write(std::string("root/") + name, name);
  std::filesystem::create_directory_symlink("..", root + "sub/up");
  std::filesystem::create_symlink("nowhere", root + "gone.xml");
  std::filesystem::create_symlink("nowhere", root + "gone.txt");
  const std::string a = dir.Write("root/a.ZIP", ZipBytes({{"m.xml", "m"}}));
  std::vector<testing::ZipMember> members;
  for (const char* name : {"1.xml", "n.zip", "2.XML", "o.txt", "d/3.xml", "4.xml"})
    members.push_back({name, ZipBytes({{"i.xml", "i"}})});
  const std::string zip = dir.Write("z.zip", ZipBytes(members, testing::Packing::kDeflate));
  const std::string other = dir.Write("other.zip", ZipBytes({{"o.txt", ""}}));
  const std::string junk = dir.Write("junk.zip", "not a zip at all");
  const auto tile = [&](const std::string& name) { return root + name + " tile 0/1 1"; };
  const auto share = [&](const std::string& split) { return zip + " zip " + split; };
  const std::vector<std::string> walked = {a + " zip 0/1 1", tile("b.xml"), tile("sub/C.Xml"),
                                           tile("z/d.xml"),
                                           root + "gone.xml: No such file or directory"};
  const struct {
    std::vector<std::string> inputs, lines;
    int shares = 4;
  } rows[] = {
      {{dir.Path("root")}, walked},
      {{root}, walked},
      {{root + "z/d.xml", missing, root + "c.txt", root + "sub/C.Xml"},
       {tile("z/d.xml"), tile("sub/C.Xml"), missing + ": No such file or directory",
        root + "c.txt: neither a tile (.xml) nor a zip (.zip)"}},
      {{root + "z", root + "b.xml", root + "z", root + "z/../z/d.xml"},
       {tile("z/d.xml"), tile("b.xml")}},
      {{zip}, {share("0/1 4")}, 1},
      {{zip}, {share("0/3 2"), share("1/3 1"), share("2/3 1")}, 3},
      {{zip}, {share("0/5 1"), share("1/5 0"), share("2/5 1"), share("3/5 1"), share("4/5 1")}, 8},
      {{other, junk}, {other + " zip 0/1 0", junk + " zip 0/1 0"}},
  };
  for (const auto& row : rows)
    EXPECT_EQ(Expand(row.inputs, row.shares), row.lines) << row.inputs[0];
}

}  // namespace
}  // namespace tolvex::cli
