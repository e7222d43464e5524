// The text screen (wrapping, lead bytes at the edge and pending, scrolling, the cell planes)
// and console output onto it (terminators, tabs, line breaks, a missing window).
#include "runtime/io/console_screen.h"

#include <vector>

#include "runtime/core/error_codes.h"
#include "runtime/io/console_output.h"
#include "tests/io/console_test_support.h"

namespace tolvex::testing {
namespace {

using namespace tolvex::core;
using ScreenTest = ConsoleTest;

// 標 = 95 57, 高 = 8D 82 (the trail byte 0x82 is itself in the lead range).
constexpr char kHyo[] = "\x95\x57";
constexpr char kKou[] = "\x8D\x82";

TEST_F(ScreenTest, LineEndsAndWrapping) {
  struct Case { std::string text; int row, column; std::string row0, row1; };
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
  // Column 79 before a straddling character is a single cell.
  io::ResetScreen();
  Write(std::string(79, 'a') + kKou);
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

using OutputTest = ConsoleTest;

void WriteText(const std::string& text, int32_t terminator) {
  std::vector<uint8_t> work(text.begin(), text.end());
  work.resize(text.size() + 4096);
  io::WriteTextToConsole(work.data(), static_cast<uint32_t>(text.size()),
                         static_cast<uint32_t>(work.size()), terminator);
}

TEST_F(OutputTest, TerminatorsTabsAndLineBreaks) {
  // The cursor starts at start_column; row0 is checked only from column 0.
  struct Case { int start_column; std::string text; int32_t terminator; int row, column;
                std::string row0, row1; };
  const Case cases[] = {
      {0, "abc", 0, 1, 0, "abc", ""},
      {0, "abc", 2, 0, 3, "abc", ""},
      {0, "abc", 1, 0, 14, "abc", ""},             // the next print zone
      {60, "abc", 1, 1, 0, "", ""},                // too near the edge: CR LF instead
      {0, "a\tb", 2, 0, 9, "a       b", ""},       // tab to column 8
      {3, "\tb", 2, 0, 9, "", ""},                 // counted from the cursor
      {75, "abcdefghij", 0, 2, 0, "", "abcdefghij"},  // would pass 80: new row first
      {75, "abcde", 2, 1, 0, "", ""},              // exactly fits: no break first
  };
  for (const Case& c : cases) {
    io::ResetScreen();
    io::Screen().cursor_column = c.start_column;
    WriteText(c.text, c.terminator);
    EXPECT_EQ(CursorRow(), c.row) << c.text;
    EXPECT_EQ(CursorColumn(), c.column) << c.text;
    if (c.start_column == 0) { EXPECT_EQ(Row(0), c.row0) << c.text; }
    EXPECT_EQ(Row(1), c.row1) << c.text;
  }
  // 100 tabs would become 800 spaces, more than 512 and twice 100: expansion stops short.
  io::ResetScreen();
  WriteText(std::string(100, '\t'), 2);
  EXPECT_LT(CursorRow() * 80 + CursorColumn(), 800);
}

TEST_F(OutputTest, ConsoleErrors) {
  EXPECT_TRUE(Raises([] { io::SelectConsole(1); }, kErrNoWindow, kLocSelectConsoleResolve));
  io::SelectConsole(0);
  window.Close();
  EXPECT_TRUE(Raises([] { io::SelectConsole(0); }, kErrNoWindow, kLocSelectConsoleGone));
  EXPECT_TRUE(Raises([] { WriteText("late", 0); }, kErrSystemUnknown, kLocWriteTextWrite));
}

}  // namespace
}  // namespace tolvex::testing
