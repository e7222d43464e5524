// End-to-end tests of `tolvex convert`: the real program on tiles made by
// tolvex-make-tile; exit statuses, skipping and --force, failures among good
// tiles, interrupted runs, zips of zips, the mosaic, the dialogue's numbers.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>

#include "convert/cli/batch.h"
#include "convert/cli/command_line.h"
#include "runtime/os/batch_files.h"
#include "tests/convert/cli/zip_fixture.h"

namespace tolvex::testing {
namespace {

namespace fs = std::filesystem;

const std::string kTolvex = std::string(TOLVEX_BINARY_DIR) + "/tolvex";

std::string ReadAll(const std::string& path) {
  std::stringstream content;
  content << std::ifstream(path, std::ios::binary).rdbuf();
  return content.str();
}

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

struct Outcome {
  int status;
  std::string out, err;
};

class ConvertCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tolvex-cli-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Path(const std::string& name) const { return dir_ + "/" + name; }

  // `options` as the shell reads them; plain words need no quotes.
  void MakeTile(const std::string& name, const std::string& options) {
    fs::create_directories(fs::path(Path(name)).parent_path());
    const std::string command = std::string(TOLVEX_BINARY_DIR) + "/tools/tolvex-make-tile " +
                                options + " '" + Path(name) + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  }

  Outcome Tolvex(const std::string& arguments) {
    const std::string command = "cd '" + dir_ + "' && '" + kTolvex + "' " + arguments +
                                " >stdout 2>stderr </dev/null";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadAll(Path("stdout")),
            ReadAll(Path("stderr"))};
  }

  // Temporaries left over below `sub`.
  bool NoLeftovers(const std::string& sub) const {
    for (const auto& entry : fs::recursive_directory_iterator(Path(sub)))
      if (entry.path().extension() == ".part") return false;
    return true;
  }

  std::string dir_;
};

// ------------------------------------------------------------ the command line
TEST_F(ConvertCommandTest, UsageErrorsExitTwoAndHelpExitsZero) {
  const struct {
    const char* arguments;
    int status;
    const char* shown;  // in stdout for 0, stderr otherwise
  } kCases[] = {
      {"convert", 2, "no input given"},
      {"convert --bogus a.xml", 2, "unknown option '--bogus'"},
      {"convert -u km a.xml", 2, "unknown unit 'km'"},
      {"convert -f png a.xml", 2, "unknown format 'png'"},
      {"convert --compress lzw a.xml", 2, "unknown compression 'lzw'"},
      {"convert -j 0 a.xml", 2, "-j needs"},
      {"convert --merge out.txt a.xml", 2, "ending in .vrt"},
      {"convert -o", 2, "needs a value"},
      {"frobnicate", 2, "unknown command"},
      {"--help", 0, "tolvex convert [OPTIONS] INPUT"},
      {"convert -h", 0, "without arguments"},
      {"--version", 0, "tolvex 1."},
  };
  for (const auto& c : kCases) {
    const Outcome run = Tolvex(c.arguments);
    EXPECT_EQ(run.status, c.status) << c.arguments;
    EXPECT_TRUE(Has(c.status == 0 ? run.out : run.err, c.shown)) << c.arguments << run.err;
  }
}

TEST_F(ConvertCommandTest, ParsesEveryOption) {
  const char* argv[] = {"tolvex", "convert", "-o", "out", "--format=tif", "-u", "f32", "-j", "3",
                        "--force", "--merge", "all.vrt", "--compress", "zstd", "-q", "a.zip", "d"};
  const cli::ParsedCommand parsed = cli::ParseCommandLine(17, const_cast<char**>(argv), 2);
  ASSERT_EQ(parsed.action, cli::Action::kConvert) << parsed.error;
  const cli::Options& o = parsed.options;
  EXPECT_EQ(std::tie(o.output, o.merge, o.jobs, o.force, o.quiet),
            std::make_tuple("out", "all.vrt", 3, true, true));
  EXPECT_EQ(std::tie(o.format, o.unit, o.compression),
            std::make_tuple(cli::Format::kTif, cli::Unit::kFloat, cli::Compression::kZstd));
  EXPECT_EQ(o.inputs, (std::vector<std::string>{"a.zip", "d"}));

  const char* plain[] = {"tolvex", "convert", "-u", "dm", "t.xml"};
  const cli::Options d = cli::ParseCommandLine(5, const_cast<char**>(plain), 5).options;
  EXPECT_EQ(std::tie(d.output, d.jobs, d.force, d.unit, d.format),
            std::make_tuple(".", 5, false, cli::Unit::kTenths, cli::Format::kBil));
}

// ------------------------------------------------------------ the dialogue's numbers
// The same old-layout tile through the dialogue (units 1 and 2) and through
// convert (m, dm) gives the same raster bytes.
TEST_F(ConvertCommandTest, RasterEqualsTheDialogues) {
  MakeTile("tile.xml", "--seed 3 --set 1,1=12.7 --set 1,2=-3.7 --set 750,1125=2599.99");
  // The dialogue ignores the srsName; convert needs one it knows.
  std::string text = ReadAll(Path("tile.xml"));
  text.replace(text.find("EPSG:6668"), 9, "fguuid:jgd2011.bl");
  std::ofstream(Path("tile.xml"), std::ios::binary) << text;
  for (const auto& [answer, unit] : {std::pair{"1", "m"}, std::pair{"2", "dm"}}) {
    fs::remove(Path("tile.bil"));
    fs::remove(Path("tile.hdr"));
    const std::string dialogue = "cd '" + dir_ + "' && printf 'tile\\n" + answer +
                                 "\\n\\n' | '" + kTolvex + "' >/dev/null";
    ASSERT_EQ(std::system(dialogue.c_str()), 0);
    const Outcome run = Tolvex(std::string("convert -q -u ") + unit + " -o " + unit + " tile.xml");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string raster = ReadAll(Path(std::string(unit) + "/tile.bil"));
    EXPECT_EQ(raster.size(), 1687500u);
    EXPECT_TRUE(raster == ReadAll(Path("tile.bil"))) << "unit " << unit;
  }
}

// ------------------------------------------------------------ batches
TEST_F(ConvertCommandTest, SkipsExistingOutputsAndReplacesThemWithForce) {
  MakeTile("in/a.xml", "--layout today --product DEM5A");
  MakeTile("in/b.xml", "--layout today --product DEM5A --seed 2");
  Outcome first = Tolvex("convert -o out in");
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_TRUE(Has(first.err, "converted 2, skipped 0, failed 0")) << first.err;
  for (const char* name : {"a.hdr", "a.prj", "b.hdr", "b.prj"}) EXPECT_TRUE(fs::exists(Path("out/") + name));
  EXPECT_EQ(fs::file_size(Path("out/a.bil")), 225u * 150u * 2u);

  // A second run keeps every byte and says so.
  std::ofstream(Path("out/b.bil"), std::ios::binary) << "mine";
  Outcome again = Tolvex("convert -o out in");
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_TRUE(Has(again.err, "converted 0, skipped 2, failed 0")) << again.err;
  EXPECT_EQ(ReadAll(Path("out/b.bil")), "mine");

  // Part of a set: neither skipped nor replaced unasked.
  fs::remove(Path("out/a.hdr"));
  Outcome partial = Tolvex("convert -o out in");
  EXPECT_EQ(partial.status, 1);
  EXPECT_TRUE(Has(partial.err, "a.hdr does not")) << partial.err;
  EXPECT_FALSE(fs::exists(Path("out/a.hdr")));

  Outcome forced = Tolvex("convert --force -o out in");
  EXPECT_TRUE(Has(forced.err, "converted 2, skipped 0")) << forced.err;
  EXPECT_EQ(fs::file_size(Path("out/b.bil")), 225u * 150u * 2u);
  EXPECT_TRUE(fs::exists(Path("out/a.hdr")));
  EXPECT_TRUE(NoLeftovers("out"));
}

// A bad tile and a missing input fail; the others are still converted.
TEST_F(ConvertCommandTest, FailuresAreReportedAndTheOthersConverted) {
  MakeTile("in/good.xml", "--layout today --product DEM5B");
  MakeTile("in/bad.xml", "--layout today --product DEM5B --set 2,3=12x");
  Outcome run = Tolvex("convert -q -o out in nowhere.zip");
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(fs::exists(Path("out/good.bil")));
  EXPECT_FALSE(fs::exists(Path("out/bad.bil")));
  // The file, the line and the text; -q keeps only the failures.
  EXPECT_TRUE(Has(run.err, "failed: in/bad.xml:")) << run.err;
  EXPECT_TRUE(Has(run.err, "\"12x\"")) << run.err;
  EXPECT_TRUE(Has(run.err, "failed: nowhere.zip: ")) << run.err;
  EXPECT_FALSE(Has(run.err, "converted")) << run.err;
}

// A full disk while writing: the tile fails and nothing of it is left, not
// even a temporary.
TEST_F(ConvertCommandTest, AWriteFailureLeavesNothingBehind) {
  MakeTile("t.xml", "--layout today --product DEM5A");
  cli::Options options;
  options.inputs = {Path("t.xml")};
  options.output = Path("out");
  options.quiet = true;
  for (int successes : {0, 1, 2}) {  // the raster, the header or the .prj refused
    os::FailBatchWrites(successes, ENOSPC);
    EXPECT_EQ(cli::RunBatch(options), 1) << successes;
    os::FailBatchWrites(-1, 0);
    EXPECT_TRUE(fs::is_empty(Path("out"))) << successes;
  }
  EXPECT_EQ(cli::RunBatch(options), 0);
  EXPECT_TRUE(fs::exists(Path("out/t.prj")));
}

// Killed in the middle of a batch: every output under its final name is
// complete, and a second run finishes the batch. SIGTERM ends with 143 and
// removes its temporaries.
TEST_F(ConvertCommandTest, AnInterruptedBatchLeavesOnlyCompleteOutputs) {
  for (int seed = 1; seed <= 6; ++seed)
    MakeTile("in/t" + std::to_string(seed) + ".xml",
             "--layout today --product DEM10B --seed " + std::to_string(seed));
  fs::create_directory(Path("out"));
  for (int signal_number : {SIGKILL, SIGTERM}) {
    // SIGKILL leaves its temporaries; only a run's own are its to remove.
    for (const auto& entry : fs::directory_iterator(Path("out")))
      if (entry.path().extension() == ".part") fs::remove(entry.path());
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      if (chdir(dir_.c_str()) == 0)
        execl(kTolvex.c_str(), kTolvex.c_str(), "convert", "-q", "-j1", "--force", "-o", "out",
              "in", static_cast<char*>(nullptr));
      _exit(127);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    kill(child, signal_number);
    int status = 0;
    waitpid(child, &status, 0);
    if (signal_number == SIGTERM && WIFEXITED(status)) {
      EXPECT_EQ(WEXITSTATUS(status), 128 + SIGTERM);
      EXPECT_TRUE(NoLeftovers("out"));
    }
    for (const auto& entry : fs::directory_iterator(Path("out"))) {
      if (entry.path().extension() != ".bil") continue;
      EXPECT_EQ(fs::file_size(entry.path()), 1125u * 750u * 2u) << entry.path();
      EXPECT_TRUE(fs::exists(fs::path(entry.path()).replace_extension(".hdr"))) << entry.path();
    }
  }
  for (const auto& entry : fs::directory_iterator(Path("out")))
    if (entry.path().extension() == ".part") fs::remove(entry.path());
  Outcome rest = Tolvex("convert -o out in");
  EXPECT_EQ(rest.status, 0) << rest.err;
  EXPECT_EQ(std::distance(fs::directory_iterator(Path("out")), fs::directory_iterator()), 18);
}

// A download as it comes: a zip holding a zip of tiles and a file that is
// no tile. Every tile is converted from the stream; the failure names the
// zips and the member; the mosaic holds the tiles converted and skipped.
TEST_F(ConvertCommandTest, ZipsOfZipsAndAMosaic) {
  MakeTile("a.xml", "--layout today --product DEM5A --lower '35.7 139.6875'");
  MakeTile("b.xml", "--layout today --product DEM5A --lower '35.7 139.7' --encoding sjis --ends crlf");
  MakeTile("c.xml", "--layout today --product DEM5B --set 1,1=x");
  const std::string inner = ZipBytes({{"FG/A-DEM5A.XML", ReadAll(Path("a.xml"))},
                                      {"FG/C-DEM5B.xml", ReadAll(Path("c.xml"))}},
                                     Packing::kDeflate);
  std::ofstream(Path("pack.zip"), std::ios::binary)
      << ZipBytes({{"inner.zip", inner}, {"readme.txt", "hello"}}, Packing::kStore);
  std::ofstream(Path("b.zip"), std::ios::binary)
      << ZipBytes({{"B-DEM5A.xml", ReadAll(Path("b.xml"))}}, Packing::kDeflate);

  Outcome first = Tolvex("convert -o out pack.zip");
  EXPECT_EQ(first.status, 1);
  EXPECT_TRUE(Has(first.err, "failed: pack.zip!inner.zip!FG/C-DEM5B.xml:")) << first.err;
  EXPECT_TRUE(fs::exists(Path("out/A-DEM5A.bil")));

  Outcome second = Tolvex("convert -o out --merge out/all.vrt pack.zip b.zip");
  EXPECT_TRUE(Has(second.err, "converted 1, skipped 1, failed 1")) << second.err;
  const std::string vrt = ReadAll(Path("out/all.vrt"));
  EXPECT_TRUE(Has(vrt, "A-DEM5A.bil") && Has(vrt, "B-DEM5A.bil") && !Has(vrt, "C-DEM5B")) << vrt;
  // Side by side at 1/18000 degree: 450 x 150 cells.
  EXPECT_TRUE(Has(vrt, "rasterXSize=\"450\" rasterYSize=\"150\"")) << vrt;
  EXPECT_TRUE(NoLeftovers("out"));
}

// Tiles in two CRSs: each is converted in its own, with one warning, and a
// mosaic of them is refused naming both.
TEST_F(ConvertCommandTest, MixedCrssWarnOnceAndRefuseAMosaic) {
  MakeTile("in/a.xml", "--layout today --product DEM5A");
  MakeTile("in/b.xml", "--layout today --product DEM5A --srs fguuid:jgd2000.bl");
  MakeTile("in/c.xml", "--layout today --product DEM5A --srs fguuid:tokio.bl");
  Outcome run = Tolvex("convert -o out --merge out/m.vrt in");
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(Has(run.err, "more than one CRS (EPSG:4612: 1 tiles, EPSG:6668: 1 tiles)")) << run.err;
  EXPECT_TRUE(Has(run.err, "fguuid:tokio.bl")) << run.err;
  EXPECT_TRUE(Has(run.err, "failed: out/m.vrt: ")) << run.err;
  EXPECT_FALSE(fs::exists(Path("out/m.vrt")));
  EXPECT_TRUE(Has(ReadAll(Path("out/b.prj")), "JGD_2000"));
}

}  // namespace
}  // namespace tolvex::testing
