// ConsolePrompt and the keyboard path of ReadItems: the prompt and "? " on
// one row, the re-entry rule with the file reader's item rules, keys typed
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

class KeyboardInputTest : public ConsoleTest {
 protected:
  void Ask(const char* prompt, const io::InputItem& item) {
    text::PushConstText(text::ConstText(prompt));
    io::ConsolePrompt(0, 2);
    io::ReadKeyboardItems(io::ItemList{1, &item});
  }
  int AskAgainCount() const {
    int count = 0;
    for (size_t at = window.shown.find(kAskAgain); at != std::string::npos;
         at = window.shown.find(kAskAgain, at + 1))
      ++count;
    return count;
  }
  text::StringValue name;
  int16_t unit = -1;
};

// The prompt, "? " and the entry share a row; the re-entry message takes
// the next, and the question comes again below it.
TEST_F(KeyboardInputTest, PromptEntryAndReEntryRows) {
  window.Type("x\r1\r");
  Ask("unit", {&unit, io::kItemInt16});
  EXPECT_EQ(Row(0), "unit? x");
  EXPECT_EQ(Row(1), kAskAgain);
  EXPECT_EQ(Row(2), "unit? 1");
  EXPECT_EQ(unit, 1);
  EXPECT_EQ(CursorRow(), 3);
  EXPECT_EQ(CursorColumn(), 0);
  EXPECT_EQ(text::StackDepth(), 0);
}

// A unit (16-bit) or a name answer. A rejected one brings the re-entry
// message once, and the fallback typed after it ("7", "fallback") is stored.
TEST_F(KeyboardInputTest, AnswersAndTheReEntryRule) {
  struct Case {
    bool unit;
    std::string answer, stored;
  };
  const Case cases[] = {
      {true, "1", "1"},        {true, "2", "2"},        {true, "1.5", "2"},
      {true, "2.5", "2"},      {true, "0.5", "0"},      {true, "1abc", "1"},
      {true, " 2 ", "2"},      {true, "abc", "7"},      {true, "1,", "7"},
      {true, "1 2", "7"},      {true, "1 abc", "7"},    {true, "40000", "7"},
      {true, "", "7"},         {true, "-32769", "7"},   {false, "tile", "tile"},
      {false, "", ""},         {false, "a,b", "fallback"},
      {false, "\"C:\\data\\tile\"", "C:\\data\\tile"},
      {false, "C:\\data\\tile", "fallback"},  // ":" leaves a second item
      {false, "\x95\x57\x8d\x82", "\x95\x57\x8d\x82"},
  };
  for (const Case& c : cases) {
    Fresh();
    unit = -1;
    name = text::StringValue{};
    window.Type(c.answer + (c.unit ? "\r7\r" : "\rfallback\r"));
    if (c.unit)
      Ask("unit", {&unit, io::kItemInt16});
    else
      Ask("File Name xxxxxx.XML", {&name, io::kItemString});
    EXPECT_EQ(c.unit ? std::to_string(unit) : text::Bytes(name), c.stored) << c.answer;
    bool fallback = c.stored == (c.unit ? "7" : "fallback");
    EXPECT_EQ(AskAgainCount(), fallback ? 1 : 0) << c.answer;
  }
}

TEST_F(KeyboardInputTest, KeysTypedDuringWorkAnswerTheNextQuestion) {
  window.Type("\r");
  frame::StatementHook();  // the first hook pumps: Enter is in the key queue
  EXPECT_EQ(window.Waiting(), 0u);
  name = text::ConstText("old");
  Ask("done", {&name, io::kItemString});
  EXPECT_EQ(text::Bytes(name), "");
}

TEST_F(KeyboardInputTest, AClosedWindowEndsTheProgramQuietly) {
  window.Type("ti");
  window.RequestClose();
  text::PushConstText(text::ConstText("q"));
  io::ConsolePrompt(0, 2);
  io::InputItem item{&name, io::kItemString};
  EXPECT_THROW(io::ReadKeyboardItems(io::ItemList{1, &item}), core::ProgramTermination);
}

TEST_F(KeyboardInputTest, PromptModesAndErrors) {
  window.Type("a\rb\r");
  io::ConsolePrompt(0, 0);  // "? " only, nothing popped
  io::InputItem item{&name, io::kItemString};
  io::ReadKeyboardItems(io::ItemList{1, &item});
  text::PushConstText(text::ConstText("P:"));
  io::ConsolePrompt(0, 1);  // prompt only
  io::ReadKeyboardItems(io::ItemList{1, &item});
  EXPECT_EQ(Row(0), "? a");
  EXPECT_EQ(Row(1), "P:b");

  EXPECT_TRUE(Raises([] { io::ConsolePrompt(2, 2); }, core::kErrNoWindow,
                     core::kLocPromptResolve));
  window.Close();
  EXPECT_TRUE(Raises([] { io::ConsolePrompt(0, 2); }, core::kErrNoWindow,
                     core::kLocPromptGone));
}

}  // namespace
}  // namespace tolvex::testing
