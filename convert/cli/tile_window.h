// The bytes of a tile as a window onto its stream: one piece at a time in a
// fixed buffer, the unread rest carried to the front when more is read, and
// the line count of everything consumed. Holds no OS code.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "convert/cli/byte_source.h"

namespace tolvex::cli {

class TileWindow {
 public:
  // The largest piece read at once, and so the longest tag or tuple a tile
  // may hold: far beyond any real one, small enough to bound memory.
  static constexpr size_t kPieceSize = size_t{1} << 20;

  explicit TileWindow(ByteSource& source, size_t piece_size = kPieceSize);
  TileWindow(const TileWindow&) = delete;
  TileWindow& operator=(const TileWindow&) = delete;

  // The unconsumed bytes [pos, end). *end is always a NUL sentinel, so a
  // scan may stop on it without a bounds test; a NUL before end is data.
  // pos[-1] is always readable: the byte before pos, or NUL at the start.
  // The reader may rewrite bytes in place (to terminate a value for a scan)
  // as long as it restores them before they are looked at again.
  char* pos() const { return pos_; }
  const char* end() const { return end_; }
  // The 1-based line of pos. CR LF, LF and CR each end one line.
  uint64_t line() const { return line_; }

  // Consumes up to `to` (within [pos, end]), counting the line ends passed.
  void Advance(const char* to);
  // Consumes up to `to` when the caller has counted the lines itself.
  void Jump(char* to, uint64_t line) {
    pos_ = to;
    line_ = line;
  }

  // Reads more after end, keeping [pos, end): pointers into the window are
  // invalid afterwards, offsets from pos stay valid. False at the end of the
  // stream. Throws TileError when [pos, end) already fills a whole piece
  // (one tag or tuple that never ends), ReadError from the source.
  bool Fill();

 private:
  ByteSource& source_;
  size_t piece_size_;
  std::vector<char> buffer_;  // the byte before pos, a piece, the sentinel
  char* pos_;
  char* end_;
  uint64_t line_ = 1;
};

}  // namespace tolvex::cli
