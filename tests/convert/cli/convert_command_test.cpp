// End-to-end tests of `tolvex convert`: the real program on tiles made by
// tolvex-make-tile; exit statuses, skipping and --force, failures among good
// tiles, interrupted runs, zips of zips, the mosaic. (That its rasters equal
// the dialogue's is shown with the dialogue's tests.)
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <tuple>

#include "convert/cli/batch.h"
#include "convert/cli/command_line.h"
#include "runtime/os/batch_files.h"
#include "tests/convert/test_inputs.h"

namespace tolvex::testing {
namespace {

namespace fs = std::filesystem;

const std::string kTolvex = TOLVEX_BINARY_DIR "/tolvex";

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

struct Outcome {
  int status;
  std::string out, err;
};

class ConvertCommandTest : public ::testing::Test {
 protected:
  // Runs tolvex: its exit status, and each of `parts` in its stderr.
  Outcome Expect(const std::string& arguments, int status,
                 std::initializer_list<std::string> parts = {}) {
    const int got = dir_.Run(Quote(kTolvex) + " " + arguments + " >stdout 2>stderr </dev/null");
    const Outcome run{got, dir_.Read("stdout"), dir_.Read("stderr")};
    EXPECT_EQ(run.status, status) << arguments << "\n" << run.err;
    for (const std::string& part : parts)
      EXPECT_TRUE(Has(run.err, part)) << part << " in\n" << run.err;
    return run;
  }
  // Removes the temporaries left below `sub`; false when there were any.
  bool NoLeftovers(const std::string& sub) const {
    bool none = true;
    for (const auto& entry : fs::recursive_directory_iterator(dir_.Path(sub)))
      if (entry.path().extension() == ".part") none = false, fs::remove(entry.path());
    return none;
  }

  ScratchDir dir_;
};

// Usage errors exit with 2, help with 0; every option is parsed.
TEST_F(ConvertCommandTest, CommandLine) {
  const struct {
    const char* arguments;
    int status;
    const char* shown;  // in stdout for 0, stderr otherwise
  } kCases[] = {
      {"convert", 2, "no input given"}, {"convert --bogus a.xml", 2, "unknown option '--bogus'"},
      {"convert -u km a.xml", 2, "unknown unit 'km'"}, {"convert -o", 2, "needs a value"},
      {"convert -f png a.xml", 2, "unknown format 'png'"}, {"frobnicate", 2, "unknown command"},
      {"convert --compress lzw a.xml", 2, "unknown compression 'lzw'"},
      {"convert -j 0 a.xml", 2, "-j needs"}, {"convert --merge out.txt a.xml", 2, "ending in .vrt"},
      {"--help", 0, "tolvex convert [OPTIONS] INPUT"}, {"convert -h", 0, "without arguments"},
      {"--version", 0, "tolvex 1."}};
  for (const auto& c : kCases) {
    const Outcome run = Expect(c.arguments, c.status);
    EXPECT_TRUE(Has(c.status == 0 ? run.out : run.err, c.shown)) << c.arguments << run.err;
  }
  const char* argv[] = {"tolvex", "convert", "-o", "out", "--format=tif", "-u", "f32", "-j", "3",
                        "--force", "--merge", "all.vrt", "--compress", "zstd", "-q", "a.zip", "d"};
  const cli::ParsedCommand parsed = cli::ParseCommandLine(17, const_cast<char**>(argv), 2);
  ASSERT_EQ(parsed.action, cli::Action::kConvert) << parsed.error;
  const cli::Options& o = parsed.options;
  EXPECT_EQ(std::tie(o.output, o.merge, o.jobs, o.force, o.quiet, o.format, o.unit, o.compression),
            std::make_tuple("out", "all.vrt", 3, true, true, cli::Format::kTif, cli::Unit::kFloat,
                            cli::Compression::kZstd));
  EXPECT_EQ(o.inputs, (std::vector<std::string>{"a.zip", "d"}));
  const char* plain[] = {"tolvex", "convert", "-u", "dm", "t.xml"};
  const cli::Options d = cli::ParseCommandLine(5, const_cast<char**>(plain), 5).options;
  EXPECT_EQ(std::tie(d.output, d.jobs, d.force, d.unit, d.format),
            std::make_tuple(".", 5, false, cli::Unit::kTenths, cli::Format::kBil));
}

// A second run keeps every byte and says so; part of a set is neither
// skipped nor replaced unasked; --force replaces all.
TEST_F(ConvertCommandTest, SkipsExistingOutputsAndReplacesThemWithForce) {
  dir_.MakeTile("in/a.xml", "--layout today --product DEM5A");
  dir_.MakeTile("in/b.xml", "--layout today --product DEM5A --seed 2");
  Expect("convert -o out in", 0, {"converted 2, skipped 0, failed 0"});
  for (const std::string name : {"a.hdr", "a.prj", "b.hdr", "b.prj"})
    EXPECT_TRUE(dir_.Exists("out/" + name));
  EXPECT_EQ(fs::file_size(dir_.Path("out/a.bil")), 225u * 150u * 2u);
  dir_.Write("out/b.bil", "mine");
  Expect("convert -o out in", 0, {"converted 0, skipped 2, failed 0"});
  EXPECT_EQ(dir_.Read("out/b.bil"), "mine");
  fs::remove(dir_.Path("out/a.hdr"));
  Expect("convert -o out in", 1, {"a.hdr does not"});
  EXPECT_FALSE(dir_.Exists("out/a.hdr"));
  Expect("convert --force -o out in", 0, {"converted 2, skipped 0"});
  EXPECT_EQ(fs::file_size(dir_.Path("out/b.bil")), 225u * 150u * 2u);
  EXPECT_TRUE(dir_.Exists("out/a.hdr"));
  EXPECT_TRUE(NoLeftovers("out"));
}

// A bad tile and a missing input fail, named with the line and the text;
// the others are still converted. -q keeps only the failures.
TEST_F(ConvertCommandTest, FailuresAreReportedAndTheOthersConverted) {
  dir_.MakeTile("in/good.xml", "--layout today --product DEM5B");
  dir_.MakeTile("in/bad.xml", "--layout today --product DEM5B --set 2,3=12x");
  const std::string err = Expect("convert -q -o out in nowhere.zip", 1,
                                 {"failed: in/bad.xml:267: value \"12x\" is not a number\n",
                                  "failed: nowhere.zip: No such file"}).err;
  EXPECT_FALSE(Has(err, "converted")) << err;
  EXPECT_TRUE(dir_.Exists("out/good.bil") && !dir_.Exists("out/bad.bil"));
}

// A full disk while writing: the tile fails and nothing of it is left, not
// even a temporary.
TEST_F(ConvertCommandTest, AWriteFailureLeavesNothingBehind) {
  dir_.MakeTile("t.xml", "--layout today --product DEM5A");
  cli::Options options;
  options.inputs = {dir_.Path("t.xml")};
  options.output = dir_.Path("out");
  options.quiet = true;
  for (int successes : {0, 1, 2}) {  // the raster, the header or the .prj refused
    os::FailBatchWrites(successes, ENOSPC);
    EXPECT_EQ(cli::RunBatch(options), 1) << successes;
    os::FailBatchWrites(-1, 0);
    EXPECT_TRUE(fs::is_empty(dir_.Path("out"))) << successes;
  }
  EXPECT_EQ(cli::RunBatch(options), 0);
  EXPECT_TRUE(dir_.Exists("out/t.prj"));
}

// Killed in the middle of a batch: every output under its final name is
// complete, and a second run finishes the batch. SIGTERM ends with 143 and
// removes its temporaries; SIGKILL leaves them, for the test to remove.
TEST_F(ConvertCommandTest, AnInterruptedBatchLeavesOnlyCompleteOutputs) {
  for (const std::string seed : {"1", "2", "3", "4", "5", "6"})
    dir_.MakeTile("in/t" + seed + ".xml", "--layout today --product DEM10B --seed " + seed);
  fs::create_directory(dir_.Path("out"));
  for (int signal_number : {SIGKILL, SIGTERM}) {
    const pid_t child = fork();
    if (child == 0 && chdir(dir_.Path("").c_str()) == 0)
      execl(kTolvex.c_str(), kTolvex.c_str(), "convert", "-q", "-j1", "--force", "-o", "out", "in",
            static_cast<char*>(nullptr));
    if (child == 0) _exit(127);
    ASSERT_GT(child, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    kill(child, signal_number);
    int status = 0;
    waitpid(child, &status, 0);
    const bool cleaned = NoLeftovers("out");
    if (signal_number == SIGTERM && WIFEXITED(status)) {  // exited rather than killed
      EXPECT_EQ(std::pair(WEXITSTATUS(status), cleaned), std::pair(128 + SIGTERM, true));
    }
    for (const auto& entry : fs::directory_iterator(dir_.Path("out"))) {
      if (entry.path().extension() != ".bil") continue;
      EXPECT_EQ(fs::file_size(entry.path()), 1125u * 750u * 2u) << entry.path();
      EXPECT_TRUE(fs::exists(fs::path(entry.path()).replace_extension(".hdr"))) << entry.path();
    }
  }
  Expect("convert -o out in", 0);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_.Path("out")), {}), 18);
}

// A download as it comes: a zip holding a zip of tiles and a file that is
// no tile. Every tile is converted from the stream; the failure names the
// zips and the member; the mosaic holds the tiles converted and skipped.
TEST_F(ConvertCommandTest, ZipsOfZipsAndAMosaic) {
  dir_.MakeTile("a.xml", "--layout today --product DEM5A --lower '35.7 139.6875'");
  dir_.MakeTile("b.xml", "--layout today --product DEM5A --lower '35.7 139.7' --encoding sjis "
                         "--ends crlf");
  dir_.MakeTile("c.xml", "--layout today --product DEM5B --set 1,1=x");
  const std::string inner = ZipBytes({{"FG/A-DEM5A.XML", dir_.Read("a.xml")},
                                      {"FG/C-DEM5B.xml", dir_.Read("c.xml")}},
                                     Packing::kDeflate);
  dir_.Write("pack.zip", ZipBytes({{"inner.zip", inner}, {"readme.txt", "hello"}}));
  dir_.Write("b.zip", ZipBytes({{"B-DEM5A.xml", dir_.Read("b.xml")}}, Packing::kDeflate));
  Expect("convert -o out pack.zip", 1, {"failed: pack.zip!inner.zip!FG/C-DEM5B.xml:40: value"});
  EXPECT_TRUE(dir_.Exists("out/A-DEM5A.bil"));
  Expect("convert -o out --merge out/all.vrt pack.zip b.zip", 1,
         {"converted 1, skipped 1, failed 1"});
  const std::string vrt = dir_.Read("out/all.vrt");
  EXPECT_TRUE(Has(vrt, "A-DEM5A.bil") && Has(vrt, "B-DEM5A.bil") && !Has(vrt, "C-DEM5B")) << vrt;
  // Side by side at 1/18000 degree: 450 x 150 cells.
  EXPECT_TRUE(Has(vrt, "rasterXSize=\"450\" rasterYSize=\"150\"")) << vrt;
  EXPECT_TRUE(NoLeftovers("out"));
}

// Tiles in two CRSs: each is converted in its own, with one warning, and a
// mosaic of them is refused naming both.
TEST_F(ConvertCommandTest, MixedCrssWarnOnceAndRefuseAMosaic) {
  dir_.MakeTile("in/a.xml", "--layout today --product DEM5A");
  dir_.MakeTile("in/b.xml", "--layout today --product DEM5A --srs fguuid:jgd2000.bl");
  dir_.MakeTile("in/c.xml", "--layout today --product DEM5A --srs fguuid:tokio.bl");
  Expect("convert -o out --merge out/m.vrt in", 1,
         {"more than one CRS (EPSG:4612: 1 tiles, EPSG:6668: 1 tiles)", "fguuid:tokio.bl",
          "failed: out/m.vrt: "});
  EXPECT_FALSE(dir_.Exists("out/m.vrt"));
  EXPECT_TRUE(Has(dir_.Read("out/b.prj"), "JGD_2000"));
}

}  // namespace
}  // namespace tolvex::testing
