// FindText and MidText: positions, clipping and the unsigned range checks.
#include "runtime/text/substring.h"

#include "tests/text/text_test_support.h"

namespace tolvex::text {
namespace {

using testing::Raises;
using SubstringTest = testing::RuntimeTest;

uint32_t Find(const std::string& needle, const std::string& haystack, uint32_t start) {
  PushConstText(ConstText(needle));
  PushConstText(ConstText(haystack));
  return FindText(start);
}

std::string Mid(const std::string& source, uint32_t start, uint32_t length) {
  PushConstText(ConstText(source));
  MidText(start, length);
  return PopBytes();
}

TEST_F(SubstringTest, FindTextPositions) {
  const struct Case {
    std::string needle, haystack;
    uint32_t start, expected;
  } cases[] = {
      {"lowerCorner", "<gmllowerCorner>1 2</gml:lowerCorner>", 1, 5},
      {"lowerCorner", "<gml:upperCorner>", 1, 0},
      {"", "abc", 3, 3}, {"", "abc", 4, 0}, {"", "", 1, 0}, {"a", "", 1, 0},
      {"abcd", "abc", 1, 0},  // needle longer than haystack
      {"x", "0123456789", 1000, 0}, {"<", "35.6 139.75</gml>", 5, 12}, {"ab", "aab", 1, 2},
      {"89", "0123456789", 1, 9},  // last possible position
      {"\\", "\x8A\x5C", 1, 2},  // 表: every byte position counts, its trail byte too
      {"A", "a", 1, 0},  // no case folding
  };
  for (const Case& c : cases)
    EXPECT_EQ(Find(c.needle, c.haystack, c.start), c.expected)
        << c.needle << " in " << c.haystack << " from " << c.start;
  EXPECT_EQ(StackDepth(), 0);
  EXPECT_EQ(StringHeapStats().live_blocks, 0u);
}

TEST_F(SubstringTest, MidTextCuts) {
  const struct Case {
    uint32_t start, length;
    std::string expected;
  } cases[] = {
      {2, 3, "bcd"}, {5, 100, "ef"}, {7, 1, ""}, {6, 0, ""}, {1, 6, "abcdef"}, {6, 1, "f"},
  };
  for (const Case& c : cases) EXPECT_EQ(Mid("abcdef", c.start, c.length), c.expected);
  EXPECT_EQ(Mid(std::string(600, 'z') + "tail", 601, 4), "tail");  // past the fixed scratch area
  EXPECT_EQ(StringHeapStats().live_blocks, 0u);
}

TEST_F(SubstringTest, RangeChecksAreUnsigned) {
  const uint32_t minus_one = static_cast<uint32_t>(-1);
  EXPECT_TRUE(Raises([] { Find("a", "abc", 0); }, 5, 0x9801));
  EXPECT_TRUE(Raises([] { Find("a", "abc", 0x80000000u); }, 5, 0x9801));
  EXPECT_TRUE(Raises([] { Mid("abc", 0, 1); }, 5, 0x9A01));
  EXPECT_TRUE(Raises([&] { Mid("abc", 1, minus_one); }, 5, 0x9A01));
  EXPECT_TRUE(Raises([&] { Mid("abc", minus_one, 1); }, 5, 0x9A01));
  EXPECT_EQ(StringHeapStats().live_blocks, 0u);  // operands were released before the raise
  EXPECT_EQ(Find("a", "abc", 0x7FFFFFFF), 0u);   // the largest valid start
}

TEST_F(SubstringTest, VariablesAreNotReleased) {
  StringValue line{};
  Assign(&line, "<gml:upperCorner>35.75 139.875</gml:upperCorner>");
  PushConstText(ConstText(" "));
  PushVarText(&line);
  EXPECT_EQ(FindText(17), 23u);
  PushVarText(&line);
  MidText(18, 23 - 18);
  EXPECT_EQ(PopBytes(), "35.75");
  EXPECT_EQ(Bytes(line), "<gml:upperCorner>35.75 139.875</gml:upperCorner>");
}

}  // namespace
}  // namespace tolvex::text
