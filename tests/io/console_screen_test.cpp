// The text screen: wrapping, the lead byte at the edge, the pending lead
// byte, scrolling and the four planes.
#include "runtime/io/console_screen.h"

#include "tests/io/console_test_support.h"

namespace tolvex::testing {
namespace {

using ScreenTest = ConsoleTest;

// 標 = 95 57, 高 = 8D 82 (the trail byte 0x82 is itself in the lead range).
constexpr char kHyo[] = "\x95\x57";
constexpr char kKou[] = "\x8D\x82";

TEST_F(ScreenTest, LineEndsAndWrapping) {
  struct Case {
    std::string text;
    int row, column;        // cursor afterwards
    std::string row0, row1;  // rows without trailing blanks
  };
  const std::string eighty(80, 'a');
  const Case cases[] = {
      {"abc\r\n", 1, 0, "abc", ""},
      {"abc\n", 1, 3, "abc", ""},  // LF keeps the column
      {"abc\rX", 0, 1, "Xbc", ""},
      {eighty, 1, 0, eighty, ""},  // reaching the width moves on at once
      {eighty + "\r\n", 2, 0, eighty, ""},  // so an 80-byte line leaves an empty row
      {eighty + "b", 1, 1, eighty, "b"},
      {std::string(79, 'a') + kHyo, 1, 2, std::string(79, 'a'), kHyo},  // no straddling
      {std::string(78, 'a') + kHyo, 1, 0, std::string(78, 'a') + kHyo, ""},
  };
  for (const Case& c : cases) {
    io::ResetScreen();
    Write(c.text);
    EXPECT_EQ(CursorRow(), c.row) << c.text;
    EXPECT_EQ(CursorColumn(), c.column) << c.text;
    EXPECT_EQ(Row(0), c.row0) << c.text;
    EXPECT_EQ(Row(1), c.row1) << c.text;
  }
}

TEST_F(ScreenTest, DoubleByteCellsRecordTheirKind) {
  Write(std::string("x") + kHyo + kKou);
  const io::ScreenRow& row = io::Screen().rows[0];
  const uint8_t expected[] = {io::kSingleCell, io::kLeadCell, io::kTrailCell, io::kLeadCell,
                              io::kTrailCell, io::kSingleCell};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(row.kinds[i], expected[i]) << i;
  EXPECT_EQ(row.colours[0], 7);
  EXPECT_EQ(row.attributes[0], 4);
  // Column 79 of a straddling character is a blank single cell.
  io::ResetScreen();
  Write(std::string(79, 'a') + kKou);
  EXPECT_EQ(io::Screen().rows[0].chars[79], ' ');
  EXPECT_EQ(io::Screen().rows[0].kinds[79], io::kSingleCell);
  EXPECT_EQ(io::Screen().rows[1].kinds[0], io::kLeadCell);
}

TEST_F(ScreenTest, PendingLeadByteJoinsOnlyTheNextWriteAtTheCursor) {
  Write("ab\x95");
  EXPECT_TRUE(io::Screen().lead_pending);
  EXPECT_EQ(CursorColumn(), 3);
  Write("\x57z");
  EXPECT_EQ(Row(0), std::string("ab") + kHyo + "z");
  EXPECT_EQ(io::Screen().rows[0].kinds[2], io::kLeadCell);
  EXPECT_EQ(io::Screen().rows[0].kinds[3], io::kTrailCell);

  io::ResetScreen();
  Write("ab\x95");
  Write("\r");  // any other write drops it; the reserved cell stays blank
  Write("cd");
  EXPECT_FALSE(io::Screen().lead_pending);
  EXPECT_EQ(Row(0), "cd");
}

TEST_F(ScreenTest, TheTwentyFourthLineEndScrolls) {
  for (int i = 1; i <= 24; ++i) Write("line" + std::to_string(i) + "\r\n");
  EXPECT_EQ(Row(0), "line2");
  EXPECT_EQ(Row(22), "line24");
  EXPECT_EQ(Row(23), "");
  EXPECT_EQ(CursorRow(), 23);
  EXPECT_EQ(CursorColumn(), 0);
  EXPECT_TRUE(io::Screen().repaint_pending);
  io::RepaintConsole();
  EXPECT_FALSE(io::Screen().repaint_pending);
  EXPECT_EQ(window.repaints, 1);
}

}  // namespace
}  // namespace tolvex::testing
