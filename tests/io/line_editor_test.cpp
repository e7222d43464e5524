// EditLine: its keys, double-byte characters kept whole, the 255-byte limit, echo at edges.
#include "runtime/io/line_editor.h"

#include "runtime/core/break_event.h"
#include "runtime/core/error_codes.h"
#include "runtime/frame/frame.h"
#include "runtime/io/key_queue.h"
#include "tests/io/console_test_support.h"

namespace tolvex::testing {
namespace {

class LineEditorTest : public ConsoleTest {
 protected:
  // Types `keys`, runs one entry, returns it (or "<cut>").
  std::string Edit(const std::string& keys) {
    window.Type(keys);
    int16_t status = -1;
    if (!io::EditLine(buffer, 255, &status)) return status == 0 ? "<cut>" : "<status>";
    return std::string(reinterpret_cast<const char*>(buffer));
  }
  uint8_t buffer[256];
};

// Key codes as text, to write key tables compactly.
#define LEFT "\x1d"
#define RIGHT "\x1c"
#define HOME "\x0b"
#define END "\x15"
#define DEL "\x04"
#define BS "\x08"
#define INS "\x12"
#define HYO "\x95\x57"  // 標
#define KOU "\x8d\x82"  // 高

TEST_F(LineEditorTest, KeyTable) {
  struct Case { std::string keys, entry; };
  const Case cases[] = {
      {"abc\r", "abc"},          {"\r", ""},                    {"ab" LEFT "X\r", "aXb"},
      {"ab" HOME DEL "\r", "b"}, {"abc" HOME END "d\r", "abcd"}, {"abc" BS BS "\r", "a"},
      {BS DEL LEFT RIGHT "a\r", "a"},                   // nothing at the edges
      {"abcd" LEFT LEFT "\x05\r", "ab"},                // Ctrl+E erases to the end
      {"abc\x0c" "d\r", "d"},                           // Ctrl+L erases the entry
      {"a\x1b\t\x1e\x1f\x13\x14" "b\r", "ab"},          // ignored keys
      {HYO KOU BS "\r", HYO},                           // BackSpace takes both bytes
      {"a" HYO "b" LEFT LEFT DEL "\r", "ab"},           // so does Delete
      {HYO "a" HOME RIGHT "x\r", HYO "xa"},             // Right and Left step over a pair
      {"a" HYO LEFT "x\r", "ax" HYO},
      {"abc" HOME INS "XY\r", "XYc"},                   // overwrite mode
      {HYO "a" HOME INS "x\r", "x a"},                  // half a pair becomes a space
      {"ab" HOME INS HYO "\r", HYO},                    // a pair over two bytes
      {"a" HOME INS HYO "\r", HYO},                     // over the last byte: one longer
      {"ab" INS INS HOME "x\r", "xab"},                 // toggled back to insert
  };
  for (const Case& c : cases) {
    Fresh();
    EXPECT_EQ(Edit(c.keys), c.entry) << c.keys;
  }
}

TEST_F(LineEditorTest, EchoAndTheCursorAfterEnter) {
  Write("Q? ");
  EXPECT_EQ(Edit("ab" LEFT "X" HYO "\r"), "aX" HYO "b");
  EXPECT_EQ(Row(0), "Q? aX" HYO "b");
  EXPECT_FALSE(io::Screen().caret_visible);
  EXPECT_EQ(window.shown, "Q? aX" HYO "b\r\n");
  // Deleting blanks the freed cells at the end.
  Fresh();
  Write("? ");
  EXPECT_EQ(Edit("abc" HYO HOME DEL DEL "\r"), "c" HYO);
  EXPECT_EQ(Row(0), "? c" HYO);
}

TEST_F(LineEditorTest, TheLimitOf255BytesBeeps) {
  EXPECT_EQ(Edit(std::string(255, 'a') + "bc" HYO BS "z" HOME DEL "\r"),  // b, c, 標 rejected
            std::string(253, 'a') + "z");
  EXPECT_EQ(window.beeps, 3);
  // A pair needs two free bytes.
  Fresh();
  EXPECT_EQ(Edit(std::string(254, 'a') + HYO "\r"), std::string(254, 'a'));
}

TEST_F(LineEditorTest, EchoAtTheEdgesOfTheScreen) {
  // A pair never starts in the last column.
  Write(std::string(78, '.'));
  EXPECT_EQ(Edit("a" HYO LEFT LEFT "x" RIGHT RIGHT "y\r"), "xa" HYO "y");
  // x a at 78, 79; the pair moved to the next row; y after it.
  EXPECT_EQ(io::RowText(0).substr(78), "xa");
  EXPECT_EQ(Row(1), HYO "y");
  // Deleting 'x' pulls the pair back up, and the second row is blanked.
  Fresh();
  Write(std::string(78, '.'));
  EXPECT_EQ(Edit("xa" HYO HOME DEL "\r"), "a" HYO);
  EXPECT_EQ(io::RowText(0).substr(78), "a ");
  EXPECT_EQ(Row(1), HYO);
  // Echo past the bottom scrolls the start up.
  Fresh();
  for (int i = 0; i < 23; ++i) Write("row\r\n");
  Write(std::string(75, '.'));
  EXPECT_EQ(Edit("0123456789" HOME "x\r"), "x0123456789");
  // The echo scrolled once, the CR LF after the entry once more.
  EXPECT_EQ(io::RowText(21).substr(75), "x0123");
  EXPECT_EQ(Row(22), "456789");
}

TEST_F(LineEditorTest, HowAnEntryEnds) {
  EXPECT_EQ(Edit("abc"), "<cut>");  // the script ran out: window gone
  Fresh();
  window.Type("ab\x18");
  int16_t status = 0;
  EXPECT_TRUE(Raises([&] { io::EditLine(buffer, 255, &status); }, core::kErrBreak,
                     core::kLocBreak));
  EXPECT_EQ(CursorRow(), 1);
  // With the break disarmed Ctrl+C is ignored and Ctrl+X acts as Enter.
  Fresh();
  core::SetBreakArmed(false);
  EXPECT_EQ(Edit("a\x03" "b\r"), "ab");
  EXPECT_EQ(Edit("a\x18"), "a");
  // Keys queued after Enter are dropped.
  for (uint8_t key : {'a', '\r', 'b'}) io::DeliverKey(key);
  ASSERT_TRUE(io::EditLine(buffer, 255, &status));
  EXPECT_EQ(io::KeyCount(), 0);
}

}  // namespace
}  // namespace tolvex::testing
