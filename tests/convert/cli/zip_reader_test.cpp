// One open zip: how little of the file it reads from disk.
#include "convert/cli/zip_reader.h"

#include <gtest/gtest.h>

#include "tests/convert/cli/zip_fixture.h"

namespace tolvex::cli {
namespace {

using testing::Noise;
using testing::Packing;
using testing::TempDir;
using testing::ZipBytes;

// Eight members of 128 KiB, about 1 MiB on disk. Listing them must read
// the central directory and the local headers only; reading the last one
// must jump over the others rather than read through them.
TEST(ZipReader, ReadsOnlyWhatItNeedsFromDisk) {
  std::vector<testing::ZipMember> members;
  for (uint32_t i = 0; i < 8; ++i)
    members.push_back({"m" + std::to_string(i) + ".xml", Noise(131072, i)});
  for (const Packing packing : {Packing::kStore, Packing::kDeflate}) {
    TempDir dir;
    const std::string path = dir.Write("m.zip", ZipBytes(members, packing));
    const uint64_t size = std::filesystem::file_size(path);
    const struct {
      bool need_directory;
      int read_member;      // -1: none
      double most_of_file;  // the fraction of the file read at most
    } rows[] = {{true, -1, 0.1}, {false, -1, 0.1}, {false, 7, 0.25}};
    for (const auto& row : rows) {
      uint64_t disk = 0;
      ZipReader zip(path, row.need_directory, [&disk](uint64_t bytes) { disk += bytes; });
      int index = 0;
      std::string data;
      while (zip.Next()) {
        EXPECT_EQ(zip.member_path(), members[static_cast<size_t>(index)].name);
        if (index++ != row.read_member) continue;
        char buffer[5000];
        while (const size_t count = zip.Read(buffer, sizeof buffer)) data.append(buffer, count);
      }
      EXPECT_EQ(index, 8);
      EXPECT_TRUE(row.read_member < 0 || data == members[7].bytes);
      EXPECT_LT(static_cast<double>(disk), row.most_of_file * static_cast<double>(size))
          << "reading member " << row.read_member;
    }
  }
}

}  // namespace
}  // namespace tolvex::cli
