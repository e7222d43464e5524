// File channel benchmark: reads a generated tile of 843,750 entries through
// ReadItems (a text and a single-precision item each, as the conversion
// does) and writes 843,750 two-byte samples through WriteBinary. Prints the
// median of several runs of each.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "runtime/frame/runtime_reset.h"
#include "runtime/io/channel_table.h"
#include "runtime/io/open_channel.h"
#include "runtime/io/read_items.h"
#include "runtime/io/write_binary.h"
#include "runtime/os/file_system.h"
#include "runtime/text/string_stack.h"

namespace {

using namespace tolvex;

constexpr int kEntries = 750 * 1125;
constexpr int kRuns = 5;

// 地表面 (ground surface), the label of every elevation entry.
constexpr const char* kLabel = "\x92\x6E\x95\x5C\x96\xCA";

void MakeTile(const std::string& path) {
  std::string tile;
  for (int line = 0; line < 47; ++line) tile += "<header line " + std::to_string(line) + ">\r\n";
  char number[32];
  for (int i = 0; i < kEntries; ++i) {
    std::snprintf(number, sizeof number, ",%d.%02d\r\n", (i * 37) % 3000 - 50, i % 100);
    tile += kLabel;
    tile += number;
  }
  std::ofstream(path, std::ios::binary) << tile;
}

void Open(uint16_t mode, uint16_t channel, const std::string& path) {
  text::PushConstText(text::ConstText(path));
  io::OpenChannel(mode, 3, channel, 0, 0);
}

double ReadTile(const std::string& tile, float* checksum) {
  frame::ResetRuntime();
  const auto start = std::chrono::steady_clock::now();
  Open(1, 1, tile);
  text::StringValue label;
  float elevation = 0;
  const io::InputItem items[] = {{&elevation, io::kItemSingle}, {&label, io::kItemString}};
  // The 47 header lines are skipped as fields of a text item would be.
  for (int line = 0; line < 47; ++line) {
    const io::InputItem header[] = {{&label, io::kItemString}};
    io::SelectItemSource(1);
    io::ReadItems({1, header});
  }
  float sum = 0;
  for (int i = 0; i < kEntries; ++i) {
    io::SelectItemSource(1);
    io::ReadItems({2, items});
    sum += elevation;
  }
  io::CloseChannel(0);
  *checksum = sum;
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double WriteRaster(const std::string& raster, uint64_t* system_writes) {
  frame::ResetRuntime();
  std::filesystem::remove(raster);
  const auto start = std::chrono::steady_clock::now();
  Open(9, 2, raster);
  for (int i = 0; i < kEntries; ++i) {
    const auto sample = static_cast<int16_t>(i % 6000 - 3000);
    io::WriteBinary(2, 2, &sample);
  }
  io::CloseChannel(0);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  *system_writes = os::FileCallCount(os::FileCall::kWrite);
  return seconds;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tolvex-bench-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) return 1;
  const std::filesystem::path directory = pattern;
  const std::string tile = (directory / "tile.xml").string();
  const std::string raster = (directory / "tile.bil").string();
  MakeTile(tile);

  std::vector<double> reads;
  std::vector<double> writes;
  float checksum = 0;
  uint64_t system_writes = 0;
  for (int run = 0; run < kRuns; ++run) {
    reads.push_back(ReadTile(tile, &checksum));
    writes.push_back(WriteRaster(raster, &system_writes));
  }
  std::printf("ReadItems   %d entries (%ju bytes): median %.3f s of %d runs (checksum %.1f)\n",
              kEntries, static_cast<uintmax_t>(std::filesystem::file_size(tile)),
              Median(reads), kRuns, static_cast<double>(checksum));
  std::printf("WriteBinary %d x 2 bytes (%ju bytes): median %.3f s of %d runs, %ju system writes\n",
              kEntries, static_cast<uintmax_t>(std::filesystem::file_size(raster)),
              Median(writes), kRuns, static_cast<uintmax_t>(system_writes));
  frame::ResetRuntime();
  std::filesystem::remove_all(directory);
  return 0;
}
