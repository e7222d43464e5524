// The window onto a tile's stream, with a tiny piece so that every path of
// Fill (append, carry to the front, too long) runs many times.
#include "convert/cli/tile_window.h"

#include <gtest/gtest.h>

#include "convert/cli/tile.h"
#include "tests/convert/test_inputs.h"

namespace tolvex::cli {
namespace {

// CR LF, LF and CR each end one line, also when a piece ends between CR
// and LF and the window carries what it holds to the front.
TEST(TileWindow, CountsLinesAcrossPiecesAndRefusesMoreThanAPiece) {
  std::string text;
  for (int i = 0; i < 200; ++i) text += std::string(static_cast<size_t>(i % 5), 'x') + "\r\n\n\r";
  for (const size_t read : {1, 3, 5}) {
    for (const ptrdiff_t step : {1, 2}) {
      PieceSource source(text, read);
      TileWindow window(source, 16);
      std::string seen;
      for (;;) {
        if (window.end() - window.pos() < step && window.Fill()) continue;
        if (window.pos() == window.end()) break;
        const char* to = std::min<const char*>(window.pos() + step, window.end());
        seen.append(window.pos(), static_cast<size_t>(to - window.pos()));
        EXPECT_EQ(*window.end(), '\0');
        window.Advance(to);
      }
      EXPECT_EQ(seen, text);
      EXPECT_EQ(window.line(), 601u) << "read " << read << ", step " << step;
    }
  }
  // A whole piece without progress is refused.
  PieceSource source(std::string(100, 'x'), 5);  // holds 15, then 16 bytes
  TileWindow window(source, 16);
  try {
    while (window.Fill()) continue;
    ADD_FAILURE() << "filled past a whole piece";
  } catch (const TileError& error) {
    EXPECT_STREQ(error.what(), "a tag or tuple runs over 16 bytes without an end");
    EXPECT_EQ(window.end() - window.pos(), 16);
  }
}

}  // namespace
}  // namespace tolvex::cli
