// The window onto a tile's stream (see tile_window.h). Holds no OS code.
#include "convert/cli/tile_window.h"

#include <cstring>
#include <string>

#include "convert/cli/tile.h"

namespace tolvex::cli {

TileWindow::TileWindow(ByteSource& source, size_t piece_size)
    : source_(source), piece_size_(piece_size), buffer_(piece_size + 2, '\0') {
  pos_ = end_ = buffer_.data() + 1;
}

void TileWindow::Advance(const char* to) {
  // A LF right after a CR ends no second line; pos[-1] makes that test
  // work across the pieces too.
  for (const char* p = pos_; p < to; ++p)
    if (*p == '\r' || (*p == '\n' && p[-1] != '\r')) ++line_;
  pos_ = const_cast<char*>(to);
}

bool TileWindow::Fill() {
  char* const piece = buffer_.data() + 1;
  const size_t held = static_cast<size_t>(end_ - pos_);
  // Carry the held bytes (and the one before them) to the front once less
  // than half a piece is free behind them, so reads stay large.
  if (static_cast<size_t>(piece + piece_size_ - end_) < piece_size_ / 2) {
    if (held == piece_size_)
      throw TileError(line_, "a tag or tuple runs over " + std::to_string(piece_size_) +
                                 " bytes without an end");
    std::memmove(piece - 1, pos_ - 1, held + 1);
    pos_ = piece;
    end_ = piece + held;
  }
  const size_t got = source_.Read(end_, static_cast<size_t>(piece + piece_size_ - end_));
  end_ += got;
  *end_ = '\0';
  return got != 0;
}

}  // namespace tolvex::cli
