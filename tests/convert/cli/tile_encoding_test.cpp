// Encoding names of XML declarations, and tile text quoted in messages.
#include "convert/cli/tile_encoding.h"

#include <gtest/gtest.h>

#include <tuple>

namespace tolvex::cli {
namespace {

// Names: letter case ignored, the whole name compared. Quoting: 地表面 is
// E5 9C B0 E8 A1 A8 E9 9D A2 in UTF-8 and 92 6E 95 5C 96 CA in Shift_JIS,
// whose trail bytes 6E ("n") and 5C ("\") look like ASCII.
TEST(TileEncoding, KnowsBothEncodingsAndQuotesTextAsUtf8CutBetweenCharacters) {
  EXPECT_EQ(EncodingOfName("us-ASCII"), TileEncoding::kUtf8);
  EXPECT_EQ(EncodingOfName("Windows-31J"), TileEncoding::kShiftJis);
  for (const char* name : {"EUC-JP", "", "UTF-8 ", "SJIS2", "SJI"})
    EXPECT_FALSE(EncodingOfName(name).has_value()) << name;
  constexpr TileEncoding kUtf8 = TileEncoding::kUtf8, kSjis = TileEncoding::kShiftJis;
  const std::string x39(39, 'x'), sjis_chi = "\x92\x6E";
  std::string x_pairs = "x";
  for (int i = 0; i < 20; ++i) x_pairs += sjis_chi;
  const std::tuple<std::string, TileEncoding, std::string> kRows[] = {
      {"\xE5\x9C\xB0\xE8\xA1\xA8\xE9\x9D\xA2,1,2", kUtf8, "\"地表面,1,2\""},
      {"\x92\x6E\x95\x5C\x96\xCA,1,2", kSjis, "\"地表面,1,2\""},
      {"a\xFF" "b\xE5\x9C", kUtf8, "\"a?b??\""}, {"a\x92", kSjis, "\"a?\""},
      {x39 + "x", kUtf8, "\"" + x39 + "x\""}, {x39 + "xx", kUtf8, "\"" + x39 + "x...\""},
      {x39 + "\xE5\x9C\xB0", kUtf8, "\"" + x39 + "...\""},  // cut before a character
      {x39 + sjis_chi, kSjis, "\"" + x39 + "...\""},
      {x_pairs, kSjis, "\"x地地地地地地地地地地地地地地地地地地地...\""},  // pairs from the start
  };
  for (const auto& [text, encoding, quoted] : kRows) EXPECT_EQ(Quoted(text, encoding), quoted);
}

}  // namespace
}  // namespace tolvex::cli
