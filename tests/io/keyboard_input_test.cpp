// ConsolePrompt and the keyboard path of ReadItems: rows, the re-entry rule, keys typed
// ahead, and the quiet end when the window goes away.
#include "runtime/io/keyboard_input.h"

#include "runtime/core/error_codes.h"
#include "runtime/frame/frame.h"
#include "runtime/frame/statement_hook.h"
#include "runtime/io/console_prompt.h"
#include "runtime/text/string_stack.h"
#include "tests/io/console_test_support.h"

namespace tolvex::testing {
namespace {

// "もう一度入力してください"
constexpr char kAskAgain[] =
    "\x82\xE0\x82\xA4\x88\xEA\x93\x78\x93\xFC\x97\xCD\x82\xB5\x82\xC4\x82\xAD"
    "\x82\xBE\x82\xB3\x82\xA2";

using namespace tolvex::core;

class KeyboardInputTest : public ConsoleTest {
 protected:
  void Ask(const char* prompt, const io::InputItem& item) {
    text::PushConstText(text::ConstText(prompt));
    io::ConsolePrompt(0, 2);
    io::ReadKeyboardItems(io::ItemList{1, &item});
  }
  int AskAgainCount() const {
    int count = 0;
    for (size_t at = 0; (at = window.shown.find(kAskAgain, at)) != std::string::npos; ++at) ++count;
    return count;
  }
  text::StringValue name;
  int16_t unit = -1;
};

// A rejected answer brings the re-entry message once; the "7" typed after it is stored.
TEST_F(KeyboardInputTest, AnswersAndTheReEntryRule) {
  struct Case { bool unit; std::string answer, stored; };
  const Case cases[] = {
      {true, "1", "1"},        {true, "1.5", "2"},      {true, "2.5", "2"},
      {true, "0.5", "0"},      {true, "1abc", "1"},     {true, " 2 ", "2"},
      {true, "abc", "7"},      {true, "1,", "7"},       {true, "1 2", "7"},
      {true, "1 abc", "7"},    {true, "40000", "7"},    {true, "-32769", "7"},
      {true, "", "7"},         {false, "tile", "tile"}, {false, "", ""},
      {false, "a,b", "7"},     {false, "\x95\x57\x8d\x82", "\x95\x57\x8d\x82"},
      {false, "\"C:\\data\\tile\"", "C:\\data\\tile"},
      {false, "C:\\data\\tile", "7"},  // ":" leaves a second item
  };
  for (const Case& c : cases) {
    Fresh();
    unit = -1;
    name = text::StringValue{};
    window.Type(c.answer + "\r7\r");
    Ask("?", c.unit ? io::InputItem{&unit, io::kItemInt16} : io::InputItem{&name, io::kItemString});
    EXPECT_EQ(c.unit ? std::to_string(unit) : text::Bytes(name), c.stored) << c.answer;
    EXPECT_EQ(AskAgainCount(), c.stored == "7" ? 1 : 0) << c.answer;
  }
}

TEST_F(KeyboardInputTest, TypeAheadAndAClosedWindow) {
  window.Type("\r");
  frame::StatementHook();  // the first hook pumps: Enter is in the key queue
  EXPECT_EQ(window.Waiting(), 0u);
  name = text::ConstText("old");
  Ask("done", {&name, io::kItemString});
  EXPECT_EQ(text::Bytes(name), "");
  window.Type("ti");
  window.RequestClose();
  EXPECT_THROW(Ask("q", {&name, io::kItemString}), ProgramTermination);
}

// Each prompt mode shares the entry's row; the re-entry message takes the next row and the
// question comes again below it.
TEST_F(KeyboardInputTest, PromptRowsAndErrors) {
  window.Type("x\r1\ra\rb\r");
  Ask("unit", {&unit, io::kItemInt16});
  io::ConsolePrompt(0, 0);  // "? " only, nothing popped
  io::InputItem item{&name, io::kItemString};
  io::ReadKeyboardItems(io::ItemList{1, &item});
  text::PushConstText(text::ConstText("P:"));
  io::ConsolePrompt(0, 1);  // the prompt only
  io::ReadKeyboardItems(io::ItemList{1, &item});
  const std::string rows[] = {"unit? x", kAskAgain, "unit? 1", "? a", "P:b", ""};
  for (int row = 0; row < 6; ++row) EXPECT_EQ(Row(row), rows[row]) << row;
  EXPECT_EQ(unit, 1);
  EXPECT_EQ(CursorRow(), 5);
  EXPECT_EQ(CursorColumn(), 0);
  EXPECT_EQ(text::StackDepth(), 0);
  EXPECT_TRUE(Raises([] { io::ConsolePrompt(2, 2); }, kErrNoWindow, kLocPromptResolve));
  window.Close();
  EXPECT_TRUE(Raises([] { io::ConsolePrompt(0, 2); }, kErrNoWindow, kLocPromptGone));
}

}  // namespace
}  // namespace tolvex::testing
