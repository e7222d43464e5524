// A test byte source: a string handed out at most `piece` bytes at a time,
// so a reader can be shown not to care where its pieces end.
#pragma once
#include <algorithm>
#include <string>
#include <utility>

#include "convert/cli/byte_source.h"

namespace tolvex::cli {

struct PieceSource : ByteSource {
  PieceSource(std::string text_in, size_t piece_in) : text(std::move(text_in)), piece(piece_in) {}
  size_t Read(char* buffer, size_t capacity) override {
    const size_t count = text.copy(buffer, std::min(capacity, piece), at);
    at += count;
    return count;
  }
  std::string text;
  size_t piece, at = 0;
};

}  // namespace tolvex::cli
