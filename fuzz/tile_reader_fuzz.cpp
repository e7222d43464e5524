// Fuzz target: the command line's tile reader on any bytes, from sources
// that hand them out in pieces of any size.
//
// Properties: only TileError escapes (no crash, no other exception); a tile
// read is a grid within the bound, no data outside its tuples; read in
// metres or tenths (in other pieces) it holds the dialogue's cells of its f32
// values, or fails on a value that does not fit 16 bits, or fails as in f32:
// so the pieces change nothing either; a head-only read agrees with the full
// one. (Each read takes a fresh 1 MiB window, which bounds the speed: three
// reads per input.)
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "convert/cli/tile_reader.h"
#include "convert/elevation_cell.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/tile_samples.h"

namespace tolvex::fuzz {
namespace {

// The bytes in pieces whose sizes repeat `sizes` (none: as asked).
class PieceSource : public cli::ByteSource {
 public:
  PieceSource(const std::string& bytes, const std::vector<size_t>& sizes)
      : bytes_(bytes), sizes_(sizes) {}
  size_t Read(char* buffer, size_t capacity) override {
    const size_t piece = sizes_.empty() ? capacity : sizes_[next_++ % sizes_.size()];
    const size_t count = bytes_.copy(buffer, std::min(capacity, piece), at_);
    at_ += count;
    return count;
  }

 private:
  const std::string& bytes_;
  const std::vector<size_t>& sizes_;
  size_t next_ = 0;
  size_t at_ = 0;
};

TileRead Read(const std::string& bytes, const std::vector<size_t>& sizes, cli::Unit unit,
              bool head_only = false) {
  PieceSource source(bytes, sizes);
  const cli::ReadOptions options{unit, head_only};
  TileRead read = ReadOrFail(source, options);
  if (read.ok) CheckTile(read.tile, options);
  return read;
}

// Where a read failed, in the order of the file: a failure about the whole
// file (line 0) is found at its end.
uint64_t FailedAt(const TileRead& read) { return read.line == 0 ? UINT64_MAX : read.line; }

// Metres or tenths against f32.
void CheckUnits(const TileRead& floats, const TileRead& whole, cli::Unit unit) {
  if (!whole.ok) {
    const bool too_wide = whole.message.find("does not fit 16-bit") != std::string::npos;
    FUZZ_CHECK(too_wide || SameRead(whole, floats));
    FUZZ_CHECK(floats.ok || FailedAt(whole) <= FailedAt(floats));
    return;
  }
  FUZZ_CHECK(floats.ok);
  const int16_t factor =
      unit == cli::Unit::kTenths ? convert::kTenthsFactor : convert::kMetresFactor;
  for (size_t i = 0; i < floats.tile.cells32.size(); ++i) {
    int16_t cell = 0;
    FUZZ_CHECK(convert::ElevationCell(floats.tile.cells32[i], factor, &cell) &&
               cell == whole.tile.cells16[i]);
  }
}

// Only the head: the same as the full read's, and a failure of the head
// is one of the full read too, at the same line or before.
void CheckHeadOnly(const TileRead& head, const TileRead& full) {
  if (!head.ok) {
    FUZZ_CHECK(!full.ok && FailedAt(full) <= FailedAt(head));
    return;
  }
  if (!full.ok) return;
  const cli::TileHead& a = head.tile.head;
  const cli::TileHead& b = full.tile.head;
  FUZZ_CHECK(a.srs_name == b.srs_name && a.south == b.south && a.west == b.west &&
             a.north == b.north && a.east == b.east && a.columns == b.columns && a.rows == b.rows);
}

// The provider takes its choices from the end: a seed is a tile, then the
// piece sizes of the two reads with their counts, then the unit.
std::vector<std::string> Seeds() {
  std::vector<std::string> seeds;
  for (const std::string& tile : SampleTiles()) {
    seeds.push_back(tile + std::string(3, '\0'));
    seeds.push_back(tile + "\x07\x01\x02\x01\x01\x00\x01\x01");
  }
  return seeds;
}

}  // namespace
}  // namespace tolvex::fuzz

FUZZ_SEEDS(tolvex::fuzz::Seeds)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tolvex;
  FuzzedDataProvider input(data, size);
  const cli::Unit unit = input.ConsumeBool() ? cli::Unit::kTenths : cli::Unit::kMetres;
  std::vector<size_t> sizes[2];
  for (std::vector<size_t>& read : sizes) {
    read.resize(input.ConsumeIntegralInRange(0, 4));
    for (size_t& piece : read) piece = input.ConsumeIntegralInRange(1, 300);
  }
  const std::string bytes = input.ConsumeRemainingBytesAsString();

  const fuzz::TileRead floats = fuzz::Read(bytes, sizes[0], cli::Unit::kFloat);
  fuzz::CheckUnits(floats, fuzz::Read(bytes, sizes[1], unit), unit);
  fuzz::CheckHeadOnly(fuzz::Read(bytes, sizes[1], unit, true), floats);
  return 0;
}
