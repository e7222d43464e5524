// String values on the stack: pushing, popping, joining, assigning, CharText
// and the failures with their codes and locations.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/core/error_codes.h"
#include "runtime/os/memory.h"
#include "runtime/text/string_heap.h"
#include "runtime/text/string_stack.h"
#include "tests/support/runtime_test.h"

namespace tolvex::text {
namespace {

using testing::Raises;
using StringStackTest = testing::RuntimeTest;

std::string PopBytes() {
  StringValue value = PopText();
  std::string bytes = Bytes(value);
  ReleaseText(value);
  return bytes;
}

void Assign(StringValue* variable, const std::string& bytes) {
  NewTempText(static_cast<uint32_t>(bytes.size()),
              reinterpret_cast<const uint8_t*>(bytes.data()));
  AssignText(variable);
}

TEST_F(StringStackTest, JoiningGivesLeftThenRight) {
  StringValue never{};
  StringValue base{};
  Assign(&base, "tile");
  const std::string with_nul("a\0b", 3);
  struct Case {
    StringValue* left;
    std::string right;
    std::string expected;
  } cases[] = {
      {&never, ".xml", ".xml"},          // never assigned reads as ""
      {&base, ".xml", "tile.xml"},
      {&base, "", "tile"},
      {&base, with_nul, std::string("tilea\0b", 7)},  // NUL bytes are kept
  };
  for (const Case& c : cases) {
    PushVarText(c.left);
    PushConstText(ConstText(c.right));
    ConcatText();
    EXPECT_EQ(PopBytes(), c.expected);
    EXPECT_EQ(StackDepth(), 0);
  }
  EXPECT_EQ(Bytes(base), "tile");  // pushing a variable copies nothing, changes nothing
}

TEST_F(StringStackTest, EmptyJoinUsesNoHeapAndAssignsAsEmptyVariable) {
  PushConstText(ConstText(""));
  PushConstText(ConstText(""));
  ConcatText();
  StringValue top = PopText();
  EXPECT_EQ(top.kind, kTemporary);
  EXPECT_EQ(top.length, 0u);
  EXPECT_EQ(top.bytes, nullptr);
  EXPECT_EQ(StringHeapStats().used, 0u);

  StringValue variable{};
  NewTempText(0, nullptr);
  AssignText(&variable);
  EXPECT_EQ(variable.kind, kStringVariable);
  EXPECT_EQ(variable.length, 0u);
  EXPECT_EQ(variable.bytes, nullptr);
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

TEST_F(StringStackTest, PopOfVariableKeepsItsKind) {
  StringValue never{}, assigned{};
  Assign(&assigned, "x");
  PushVarText(&never);
  PushVarText(&assigned);
  EXPECT_EQ(PopText().kind, kStringVariable);
  EXPECT_EQ(PopText().kind, kNeverAssigned);
}

TEST_F(StringStackTest, CharTextMakesOneBytePerCode) {
  std::vector<int32_t> codes;
  for (int32_t c = 0; c < 256; ++c) codes.push_back(c);
  CharText(256, codes.data());
  std::string bytes = PopBytes();
  ASSERT_EQ(bytes.size(), 256u);
  for (int c = 0; c < 256; ++c) EXPECT_EQ(static_cast<unsigned char>(bytes[c]), c);
}

TEST_F(StringStackTest, FailuresCarryTheirCodeAndLocation) {
  const int32_t codes[] = {65, 256, -1};
  EXPECT_TRUE(Raises([&] { CharText(2, codes); }, 5, 0x9201));
  EXPECT_TRUE(Raises([&] { CharText(1, codes + 2); }, 5, 0x9201));

  for (const uint8_t kind : {kFixedKind12, kFixedKind13}) {
    StringValue fixed{kind, 0, nullptr};
    EXPECT_TRUE(Raises([&] {
      PushConstText(ConstText("abc"));
      AssignText(&fixed);
    }, 13, 0xC201)) << int{kind};
  }
  EXPECT_EQ(StringHeapStats().live_blocks, 0u);  // the popped temporary was released

  EXPECT_TRUE(Raises([] {
    for (int i = 0; i < 86; ++i) PushConstText(ConstText("x"));
  }, 16, 0xC501));
  EXPECT_EQ(StackDepth(), 0);  // the raise released the temporaries and dropped the stack
  EXPECT_EQ(StringHeapStats().live_blocks, 0u);
}

TEST_F(StringStackTest, JoinedLengthLimit) {
  // Two records claiming 2^30 bytes each would join past 2,147,483,647; the
  // check comes before any byte is touched.
  static const uint8_t byte = 'x';
  StringValue huge{kStringVariable, 0x40000000, &byte};
  StringValue more{kStringVariable, 0x40000000, &byte};
  EXPECT_TRUE(Raises([&] {
    PushVarText(&huge);
    PushVarText(&more);
    ConcatText();
  }, 15, 0xC401));
}

TEST_F(StringStackTest, OutOfMemoryFailures) {
  struct Case {
    const char* what;
    int successes;
    bool prime_heap;
    int16_t code;
    uint32_t location;
  } cases[] = {
      {"stack memory", 0, false, 7, 0xC502},
      {"first heap", 0, false, 7, 0xC501},
      {"work copy", 0, true, 7, 0xC502},
  };
  for (const Case& c : cases) {
    frame::ResetRuntime();
    StringValue keep{};
    if (c.prime_heap) Assign(&keep, "primed");
    // "stack memory": the stack is made first when nothing was pushed yet,
    // but a constant push makes the heap block before it pushes.
    os::FailAllocationsAfter(c.successes);
    if (std::string(c.what) == "stack memory") {
      EXPECT_TRUE(Raises([&] { PushVarText(&keep); }, c.code, c.location)) << c.what;
    } else {
      EXPECT_TRUE(Raises([] { PushConstText(ConstText("abc")); }, c.code, c.location)) << c.what;
    }
    os::FailAllocationsAfter(-1);
  }
  frame::ResetRuntime();
  const int32_t codes[] = {65};
  os::FailAllocationsAfter(0);
  EXPECT_TRUE(Raises([&] { CharText(1, codes); }, 7, 0x9202));
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
