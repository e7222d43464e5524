// Outputs under their final names only when complete: renaming order,
// refusal to replace, clean-up on failure; and the progress line's text.
#include <gtest/gtest.h>

#include "convert/cli/output_set.h"
#include "convert/cli/progress.h"
#include "tests/convert/test_inputs.h"

namespace tolvex::cli {
namespace {

namespace fs = std::filesystem;

// An existing file is kept: when it is the raster (renamed last), the
// sidecars renamed before it are taken back, so nothing of the set stays.
// With `replace` the set is written over the old raster.
TEST(OutputSet, NeverReplacesUnaskedAndTakesBackWhatItRenamed) {
  const testing::ScratchDir dir;
  const std::string out = dir.Path("");
  const auto entries = [&] { return std::distance(fs::directory_iterator(out), {}); };
  const std::vector<OutputFile> files = {{".bil", "raster"}, {".hdr", "header"}, {".prj", "wkt"}};
  for (const std::string existing : {"t.hdr", "t.prj", "t.bil"}) {
    dir.Write(existing, "old");
    try {
      WriteOutputs(out, "t", files, false);
      ADD_FAILURE() << existing << " was replaced";
    } catch (const OutputError& error) {
      EXPECT_NE(std::string(error.what()).find(existing + " already exists"), std::string::npos)
          << error.what();
    }
    EXPECT_EQ(dir.Read(existing), "old");
    EXPECT_EQ(entries(), 1) << existing;
    if (existing != "t.bil") fs::remove(dir.Path(existing));
  }
  WriteOutputs(out, "t", files, true);
  EXPECT_EQ(dir.Read("t.bil") + dir.Read("t.hdr") + dir.Read("t.prj"), "rasterheaderwkt");
  EXPECT_EQ(entries(), 3);
  EXPECT_EQ(OutputPath(".", "t", ".bil"), "t.bil");
  EXPECT_EQ(OutputPath("out/", "t", ".bil"), "out/t.bil");
  EXPECT_EQ(OutputPath("out", "t", ".bil"), "out/t.bil");
}

TEST(ProgressTest, TextShowsTilesRateAndTimeLeft) {
  EXPECT_EQ(ProgressText(3, 10, false, 50'000'000, 150'000'000, 2.0),
            "3/10 tiles  25.0 MB/s  0:04 left");
  EXPECT_EQ(ProgressText(3, 10, true, 0, 100, 0.0), "3/10+ tiles  0.0 MB/s");
  EXPECT_EQ(ProgressText(9, 9, false, 100, 100, 1.0), "9/9 tiles  0.0 MB/s");
  EXPECT_EQ(ProgressText(1, 2, false, 1'000'000, 601'000'000, 1.0),
            "1/2 tiles  1.0 MB/s  10:00 left");
}

}  // namespace
}  // namespace tolvex::cli
