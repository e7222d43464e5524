// One open zip: how little of the file it reads from disk.
#include "convert/cli/zip_reader.h"

#include <gtest/gtest.h>

#include "tests/convert/test_inputs.h"

namespace tolvex::cli {
namespace {

// Eight members of 128 KiB, about 1 MiB on disk. Listing them must read
// the central directory and the local headers only; reading the last one
// must jump over the others rather than read through them.
TEST(ZipReader, ReadsOnlyWhatItNeedsFromDisk) {
  std::vector<testing::ZipMember> members;
  for (uint32_t i = 0; i < 8; ++i)
    members.push_back({"m" + std::to_string(i) + ".xml", testing::Noise(131072, i)});
  for (const auto packing : {testing::Packing::kStore, testing::Packing::kDeflate}) {
    testing::ScratchDir dir;
    const std::string path = dir.Write("m.zip", testing::ZipBytes(members, packing));
    const double size = static_cast<double>(std::filesystem::file_size(path));
    for (const bool need_directory : {true, false}) {
      for (const bool read_last : {false, true}) {
        uint64_t disk = 0;
        ZipReader zip(path, need_directory, [&disk](uint64_t bytes) { disk += bytes; });
        std::string data;
        char buffer[5000];
        for (size_t index = 0; zip.Next(); ++index) {
          EXPECT_EQ(zip.member_path(), members.at(index).name);
          if (!read_last || index != 7) continue;
          while (const size_t count = zip.Read(buffer, sizeof buffer)) data.append(buffer, count);
        }
        EXPECT_TRUE(data == (read_last ? members[7].bytes : ""));
        EXPECT_LT(static_cast<double>(disk), (read_last ? 0.25 : 0.1) * size) << read_last;
      }
    }
  }
}

}  // namespace
}  // namespace tolvex::cli
