// Outputs under their final names only when complete: renaming order,
// refusal to replace, clean-up on failure; and the progress line's text.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "convert/cli/output_set.h"
#include "convert/cli/progress.h"

namespace tolvex::cli {
namespace {

namespace fs = std::filesystem;

class OutputSetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tolvex-out-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Read(const std::string& name) const {
    std::ifstream file(dir_ + "/" + name, std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
  }
  void Put(const std::string& name, const std::string& text) const {
    std::ofstream(dir_ + "/" + name, std::ios::binary) << text;
  }
  size_t Entries() const {
    return static_cast<size_t>(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()));
  }

  const std::vector<OutputFile> files_ = {{".bil", "raster"}, {".hdr", "header"}, {".prj", "wkt"}};
  std::string dir_;
};

TEST_F(OutputSetTest, WritesEveryFileUnderItsName) {
  WriteOutputs(dir_, "t", files_, false);
  EXPECT_EQ(Read("t.bil"), "raster");
  EXPECT_EQ(Read("t.hdr"), "header");
  EXPECT_EQ(Read("t.prj"), "wkt");
  EXPECT_EQ(Entries(), 3u);
  EXPECT_EQ(OutputPath(".", "t", ".bil"), "t.bil");
  EXPECT_EQ(OutputPath("out/", "t", ".bil"), "out/t.bil");
}

// An existing file is kept: when it is the raster (renamed last), the
// sidecars renamed before it are taken back, so nothing of the set stays.
TEST_F(OutputSetTest, NeverReplacesUnaskedAndTakesBackWhatItRenamed) {
  for (const char* existing : {"t.bil", "t.hdr", "t.prj"}) {
    Put(existing, "old");
    try {
      WriteOutputs(dir_, "t", files_, false);
      ADD_FAILURE() << existing << " was replaced";
    } catch (const OutputError& error) {
      EXPECT_NE(std::string(error.what()).find(std::string(existing) + " already exists"),
                std::string::npos) << error.what();
    }
    EXPECT_EQ(Read(existing), "old");
    EXPECT_EQ(Entries(), 1u) << existing;
    fs::remove(dir_ + "/" + existing);
  }
  Put("t.bil", "old");
  WriteOutputs(dir_, "t", files_, true);
  EXPECT_EQ(Read("t.bil"), "raster");
}

TEST(ProgressTest, TextShowsTilesRateAndTimeLeft) {
  EXPECT_EQ(ProgressText(3, 10, false, 50'000'000, 150'000'000, 2.0),
            "3/10 tiles  25.0 MB/s  0:04 left");
  EXPECT_EQ(ProgressText(3, 10, true, 0, 100, 0.0), "3/10+ tiles  0.0 MB/s");
  EXPECT_EQ(ProgressText(9, 9, false, 100, 100, 1.0), "9/9 tiles  0.0 MB/s");
  EXPECT_EQ(ProgressText(1, 2, false, 1'000'000, 601'000'000, 1.0), "1/2 tiles  1.0 MB/s  10:00 left");
}

}  // namespace
}  // namespace tolvex::cli
