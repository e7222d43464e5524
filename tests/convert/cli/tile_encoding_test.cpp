// Encoding names of XML declarations, and tile text quoted in messages.
#include "convert/cli/tile_encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace tolvex::cli {
namespace {

TEST(TileEncoding, KnowsTheNamesOfBothEncodings) {
  for (const char* name : {"UTF-8", "utf-8", "UTF8", "us-ascii"})
    EXPECT_EQ(EncodingOfName(name), TileEncoding::kUtf8) << name;
  for (const char* name :
       {"Shift_JIS", "shift_jis", "Shift-JIS", "SJIS", "windows-31j", "CP932", "MS_Kanji"})
    EXPECT_EQ(EncodingOfName(name), TileEncoding::kShiftJis) << name;
  for (const char* name : {"EUC-JP", "UTF-16", "ISO-2022-JP", "", "UTF-8 ", "SJIS2"})
    EXPECT_FALSE(EncodingOfName(name).has_value()) << name;
}

struct QuoteRow {
  std::string text;
  TileEncoding encoding;
  const char* quoted;
};

// 地表面 is E5 9C B0 E8 A1 A8 E9 9D A2 in UTF-8 and 92 6E 95 5C 96 CA in
// Shift_JIS, whose trail bytes 5C ("\") and 6E ("n") look like ASCII.
const QuoteRow kQuoteRows[] = {
    {"12abc", TileEncoding::kUtf8, "\"12abc\""},
    {"\xE5\x9C\xB0\xE8\xA1\xA8\xE9\x9D\xA2,1,2", TileEncoding::kUtf8, "\"地表面,1,2\""},
    {"\x92\x6E\x95\x5C\x96\xCA,1,2", TileEncoding::kShiftJis, "\"地表面,1,2\""},
    {"a\xFF" "b\xE5\x9C", TileEncoding::kUtf8, "\"a?b??\""},
    {"a\x92", TileEncoding::kShiftJis, "\"a?\""},
    {std::string(40, 'x'), TileEncoding::kUtf8, "\"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx\""},
    {std::string(41, 'x'), TileEncoding::kUtf8, "\"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx...\""},
    // Cut between characters: 39 ASCII bytes, then a character that does not fit.
    {std::string(39, 'x') + "\xE5\x9C\xB0", TileEncoding::kUtf8,
     "\"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx...\""},
    {std::string(39, 'x') + "\x92\x6E", TileEncoding::kShiftJis,
     "\"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx...\""},
    {"x\x92\x6E\x92\x6E\x92\x6E\x92\x6E\x92\x6E\x92\x6E\x92\x6E\x92\x6E\x92\x6E\x92\x6E"
     "\x92\x6E\x92\x6E\x92\x6E\x92\x6E\x92\x6E\x92\x6E\x92\x6E\x92\x6E\x92\x6E\x92\x6E",
     TileEncoding::kShiftJis, "\"x地地地地地地地地地地地地地地地地地地地...\""},
};

TEST(TileEncoding, QuotesTextAsUtf8CutBetweenCharacters) {
  for (const QuoteRow& row : kQuoteRows) EXPECT_EQ(Quoted(row.text, row.encoding), row.quoted);
}

}  // namespace
}  // namespace tolvex::cli
