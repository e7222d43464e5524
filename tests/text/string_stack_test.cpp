// String values on the stack: pushing, popping, joining, assigning, CharText
// and the failures with their codes and locations.
#include "runtime/text/string_stack.h"

#include "runtime/os/memory.h"
#include "tests/text/text_test_support.h"

namespace tolvex::text {
namespace {

using testing::Raises;
using StringStackTest = testing::RuntimeTest;

TEST_F(StringStackTest, JoiningGivesLeftThenRight) {
  StringValue never{}, base{};
  Assign(&base, "tile");
  const struct Case {
    StringValue* left;
    std::string right, expected;
  } cases[] = {
      {&never, ".xml", ".xml"},  // never assigned reads as ""
      {&base, ".xml", "tile.xml"},
      {&base, "", "tile"},
      {&base, std::string("a\0b", 3), std::string("tilea\0b", 7)},  // NUL bytes are kept
  };
  for (const Case& c : cases) {
    PushVarText(c.left);
    PushBytes(c.right);
    ConcatText();
    EXPECT_EQ(PopBytes(), c.expected);
    EXPECT_EQ(StackDepth(), 0);
  }
  EXPECT_EQ(Bytes(base), "tile");  // pushing a variable copies nothing, changes nothing
}

// The empty text takes no heap, as a temporary or assigned; a popped
// variable keeps its kind.
TEST_F(StringStackTest, KindsOfThePoppedAndTheEmpty) {
  PushConstText(ConstText(""));
  PushConstText(ConstText(""));
  ConcatText();
  StringValue top = PopText();
  EXPECT_EQ(top.kind, kTemporary);
  EXPECT_EQ(top.length, 0u);
  EXPECT_EQ(top.bytes, nullptr);
  EXPECT_EQ(StringHeapStats().used, 0u);
  StringValue empty{}, never{}, assigned{};
  Assign(&empty, "");
  EXPECT_EQ(empty.kind, kStringVariable);
  EXPECT_EQ(empty.length, 0u);
  EXPECT_EQ(empty.bytes, nullptr);
  Assign(&assigned, "x");
  PushVarText(&never);
  PushVarText(&assigned);
  EXPECT_EQ(PopText().kind, kStringVariable);
  EXPECT_EQ(PopText().kind, kNeverAssigned);
}

TEST_F(StringStackTest, AssignmentOwnershipAndCopies) {
  StringValue source{}, target{};
  Assign(&source, "first");
  PushVarText(&source);
  AssignText(&target);  // a variable is copied, not shared
  Assign(&source, "second");
  EXPECT_EQ(Bytes(target), "first");
  EXPECT_EQ(Bytes(source), "second");
  EXPECT_NE(target.bytes, source.bytes);
  PushVarText(&source);  // to itself
  AssignText(&source);
  EXPECT_EQ(Bytes(source), "second");
  EXPECT_EQ(StringHeapStats().live_blocks, 2u);
}

TEST_F(StringStackTest, CharTextMakesOneBytePerCode) {
  int32_t codes[256];
  std::string expected;
  for (int32_t c = 0; c < 256; ++c) expected += static_cast<char>(codes[c] = c);
  CharText(256, codes);
  EXPECT_EQ(PopBytes(), expected);
}

TEST_F(StringStackTest, FailuresCarryTheirCodeAndLocation) {
  const int32_t codes[] = {65, 256, -1};
  EXPECT_TRUE(Raises([&] { CharText(2, codes); }, 5, 0x9201));
  EXPECT_TRUE(Raises([&] { CharText(1, codes + 2); }, 5, 0x9201));
  for (const uint8_t kind : {kFixedKind12, kFixedKind13}) {
    StringValue fixed{kind, 0, nullptr};
    EXPECT_TRUE(Raises([&] { Assign(&fixed, "abc"); }, 13, 0xC201)) << int{kind};
  }
  EXPECT_EQ(StringHeapStats().live_blocks, 0u);  // the popped temporary was released
  // Two records claiming 2^30 bytes each would join past 2,147,483,647; the
  // check comes before any byte is touched.
  static const uint8_t byte = 'x';
  StringValue huge{kStringVariable, 0x40000000, &byte};
  EXPECT_TRUE(Raises([&] {
    PushVarText(&huge);
    PushVarText(&huge);
    ConcatText();
  }, 15, 0xC401));
  int pushed = 0;
  EXPECT_TRUE(Raises([&] {
    for (;; ++pushed) PushConstText(ConstText("x"));
  }, 16, 0xC501));
  EXPECT_EQ(pushed, kStringStackEntries);
  EXPECT_EQ(StackDepth(), 0);  // the raise released the temporaries and dropped the stack
  EXPECT_EQ(StringHeapStats().live_blocks, 0u);
}

// Without memory: the stack is made first when nothing was pushed yet, but
// a constant push makes the heap before it pushes; once the heap is there,
// a push takes the work copy first.
TEST_F(StringStackTest, OutOfMemoryFailures) {
  StringValue keep{};
  const int32_t codes[] = {65};
  os::FailAllocationsAfter(0);
  EXPECT_TRUE(Raises([&] { PushVarText(&keep); }, 7, 0xC502));
  EXPECT_TRUE(Raises([] { PushConstText(ConstText("abc")); }, 7, 0xC501));
  EXPECT_TRUE(Raises([&] { CharText(1, codes); }, 7, 0x9202));
  os::FailAllocationsAfter(-1);
  Assign(&keep, "primed");
  os::FailAllocationsAfter(0);
  EXPECT_TRUE(Raises([] { PushConstText(ConstText("abc")); }, 7, 0xC502));
  os::FailAllocationsAfter(-1);
}

TEST_F(StringStackTest, SetStackDepthDropsWithoutReleasing) {
  PushConstText(ConstText("a"));
  uint16_t depth = StackDepth();
  PushConstText(ConstText("b"));
  PushConstText(ConstText("c"));
  SetStackDepth(depth);
  EXPECT_EQ(StackDepth(), 1);
  EXPECT_EQ(PopBytes(), "a");
  EXPECT_EQ(StringHeapStats().live_blocks, 2u);  // b and c stay until compaction
}

}  // namespace
}  // namespace tolvex::text
