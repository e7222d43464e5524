// SelectConsole and WriteText on the screen: terminators, tabs, the
// line-break rule and the errors of a missing window.
#include "runtime/io/console_output.h"

#include <vector>

#include "runtime/core/error_codes.h"
#include "tests/io/console_test_support.h"

namespace tolvex::testing {
namespace {

using OutputTest = ConsoleTest;

void WriteText(const std::string& text, int32_t terminator) {
  std::vector<uint8_t> work(text.begin(), text.end());
  work.resize(text.size() + 4096);
  io::WriteTextToConsole(work.data(), static_cast<uint32_t>(text.size()),
                         static_cast<uint32_t>(work.size()), terminator);
}

TEST_F(OutputTest, TerminatorsTabsAndLineBreaks) {
  struct Case {
    int start_column;  // the cursor is put here first
    std::string text;
    int32_t terminator;
    int row, column;
    std::string row0, row1;
  };
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
    if (c.start_column == 0) {
      EXPECT_EQ(Row(0), c.row0) << c.text;
    }
    if (!c.row1.empty()) {
      EXPECT_EQ(Row(1), c.row1) << c.text;
    }
  }
}

TEST_F(OutputTest, TabExpansionStopsWhenTheTextWouldGrowTooMuch) {
  // 100 tabs would become 800 spaces: more than 512 and twice 100.
  WriteText(std::string(100, '\t'), 2);
  EXPECT_LT(CursorRow() * 80 + CursorColumn(), 800);
}

TEST_F(OutputTest, ConsoleErrors) {
  EXPECT_TRUE(Raises([] { io::SelectConsole(1); }, core::kErrNoWindow,
                     core::kLocSelectConsoleResolve));
  io::SelectConsole(0);
  window.Close();
  EXPECT_TRUE(Raises([] { io::SelectConsole(0); }, core::kErrNoWindow,
                     core::kLocSelectConsoleGone));
  EXPECT_TRUE(Raises([] { WriteText("late", 0); }, core::kErrSystemUnknown,
                     core::kLocWriteTextWrite));
}

}  // namespace
}  // namespace tolvex::testing
