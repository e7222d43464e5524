// The window onto a tile's stream, with a tiny piece so that every path of
// Fill (append, carry to the front, too long) runs many times.
#include "convert/cli/tile_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "convert/cli/tile.h"

namespace tolvex::cli {
namespace {

class StringSource : public ByteSource {
 public:
  StringSource(std::string text, size_t piece) : text_(std::move(text)), piece_(piece) {}
  size_t Read(char* buffer, size_t capacity) override {
    const size_t count = std::min({capacity, piece_, text_.size() - at_});
    std::memcpy(buffer, text_.data() + at_, count);
    at_ += count;
    return count;
  }

 private:
  std::string text_;
  size_t piece_;
  size_t at_ = 0;
};

// CR LF, LF and CR each end one line, also when a piece ends between CR
// and LF and the window carries what it holds to the front.
TEST(TileWindow, CountsLinesAcrossPieces) {
  std::string text;
  for (int i = 0; i < 200; ++i) text += std::string(static_cast<size_t>(i % 5), 'x') + "\r\n\n\r";
  for (size_t read : {size_t{1}, size_t{3}, size_t{5}}) {
    for (size_t step : {size_t{1}, size_t{2}}) {
      StringSource source(text, read);
      TileWindow window(source, 16);
      std::string seen;
      for (;;) {
        if (window.end() - window.pos() < static_cast<ptrdiff_t>(step) && window.Fill()) continue;
        if (window.pos() == window.end()) break;
        const char* from = window.pos();
        const char* to = std::min<const char*>(from + step, window.end());
        seen.append(from, to);
        EXPECT_EQ(*window.end(), '\0');
        window.Advance(to);
      }
      EXPECT_EQ(seen, text);
      EXPECT_EQ(window.line(), 601u) << "read " << read << ", step " << step;
    }
  }
}

TEST(TileWindow, RefusesMoreThanAPieceWithoutProgress) {
  StringSource source(std::string(100, 'x'), 7);
  TileWindow window(source, 16);
  try {
    while (window.Fill()) {
    }
    ADD_FAILURE() << "filled past a whole piece";
  } catch (const TileError& error) {
    EXPECT_STREQ(error.what(), "a tag or tuple runs over 16 bytes without an end");
    EXPECT_EQ(window.end() - window.pos(), 16);
  }
}

}  // namespace
}  // namespace tolvex::cli
