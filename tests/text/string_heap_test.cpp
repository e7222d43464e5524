// The movable heap: lazy compaction, growth and shrink in chunks, and owners
// that always read their latest value after the heap moved.
#include "runtime/text/string_heap.h"

#include <vector>

#include "runtime/os/memory.h"
#include "tests/text/text_test_support.h"

namespace tolvex::text {
namespace {

using testing::Raises;
using StringHeapTest = testing::RuntimeTest;

TEST_F(StringHeapTest, BlocksTakeTwelveBytesMoreThanTheirText) {
  StringValue a{}, b{};
  Assign(&a, "abc");
  Assign(&b, std::string(100, 'x'));
  HeapStats stats = StringHeapStats();
  EXPECT_EQ(stats.chunks, 1u);
  EXPECT_EQ(stats.used, 3u + 12u + 100u + 12u);
  EXPECT_EQ(a.bytes, stats.base + 12);  // the header sits right before the text
  // A squeeze alone (no resize, whose move would refresh every owner) moves
  // b down, and b follows.
  ReleaseText(a);
  CompactStrings();
  EXPECT_EQ(b.bytes, StringHeapStats().base + 12);
}

TEST_F(StringHeapTest, FreedBlocksStayUntilAnAppendDoesNotFit) {
  StringValue line{};
  const std::string text(1000, 'L');
  for (int i = 0; i < 200; ++i) Assign(&line, text);
  // 200 blocks of 1012 bytes fit in one chunk: nothing compacted yet.
  EXPECT_TRUE(kHeapStressBuild || StringHeapStats().used == 200u * 1012u);
  for (int i = 0; i < 100; ++i) Assign(&line, text);
  HeapStats stats = StringHeapStats();
  EXPECT_EQ(stats.chunks, 1u);  // squeezed, not grown
  EXPECT_LT(stats.used, 262144u);
  EXPECT_EQ(Bytes(line), text);
}

TEST_F(StringHeapTest, LiveVariablesSurviveCompactionGrowthAndShrink) {
  // Several variables, each reassigned many times with growing texts, so the
  // heap compacts, grows (moving) and later shrinks (moving again).
  std::vector<StringValue> variables(7);
  std::vector<std::string> latest(7);
  for (int round = 0; round < 60; ++round) {
    for (size_t v = 0; v < variables.size(); ++v) {
      latest[v] = std::to_string(round) + ":" + std::string(round * 900 + v * 37, char('a' + v));
      Assign(&variables[v], latest[v]);
    }
  }
  EXPECT_GT(StringHeapStats().chunks, 1u);
  for (size_t v = 0; v < variables.size(); ++v) EXPECT_EQ(Bytes(variables[v]), latest[v]) << v;

  const uint8_t* before = StringHeapStats().base;
  for (size_t v = 0; v < variables.size(); ++v) {
    latest[v] = "short" + std::to_string(v);
    Assign(&variables[v], latest[v]);
  }
  CompactStrings();
  HeapStats after = StringHeapStats();
  EXPECT_EQ(after.chunks, 1u);
  // The shrink takes a new area while the old one is held, so it moves. The
  // stress build moves on every append, and an area freed by one move may
  // come back at the next: its base can end where it began.
  EXPECT_TRUE(kHeapStressBuild || after.base != before);
  EXPECT_EQ(after.live_blocks, variables.size());
  for (size_t v = 0; v < variables.size(); ++v) EXPECT_EQ(Bytes(variables[v]), latest[v]) << v;
}

TEST_F(StringHeapTest, EverythingFreedLeavesOneEmptyChunk) {
  StringValue a{};
  Assign(&a, std::string(600000, 'x'));  // three chunks
  ReleaseText(a);
  EXPECT_EQ(CompactStrings(), kHeapChunk);
  EXPECT_EQ(StringHeapStats().chunks, 1u);
  EXPECT_EQ(StringHeapStats().used, 0u);
}

TEST_F(StringHeapTest, TemporariesOnTheStackFollowAMove) {
  StringValue filler{};
  PushConstText(ConstText("kept on the stack"));
  for (int i = 0; i < 40; ++i) Assign(&filler, std::string(20000, 'f'));  // forces moves
  Assign(&filler, std::string(300000, 'g'));
  StringValue top = PopText();
  EXPECT_EQ(Bytes(top), "kept on the stack");
  ReleaseText(top);
}

TEST_F(StringHeapTest, GrowthFailureIsError82) {
  StringValue a{};
  Assign(&a, std::string(200000, 'a'));
  // The work copy succeeds, the larger area does not.
  os::FailAllocationsAfter(1);
  EXPECT_TRUE(Raises([] { PushBytes(std::string(200000, 'b')); }, 82, 0xC503));
  os::FailAllocationsAfter(-1);
  EXPECT_EQ(Bytes(a), std::string(200000, 'a'));
}

TEST_F(StringHeapTest, AVariableCopiedWhileTheHeapSqueezesItAway) {
  // Copying a variable appends its own bytes; when that append has to
  // compact, the variable's block moves down under the copy's source.
  StringValue junk{}, source{}, copy{};
  std::string pattern(100000, '\0');
  for (size_t i = 0; i < pattern.size(); ++i) pattern[i] = static_cast<char>('a' + i % 23);
  Assign(&junk, std::string(100000, 'j'));
  Assign(&source, pattern);
  Assign(&junk, "x");  // frees the block below the source
  PushVarText(&source);
  AssignText(&copy);
  EXPECT_EQ(Bytes(copy), pattern);
  EXPECT_EQ(Bytes(source), pattern);
  EXPECT_EQ(Bytes(junk), "x");
  EXPECT_EQ(StringHeapStats().chunks, 1u);
}

TEST_F(StringHeapTest, TheWorkCopyIsKeptAndGrownWhenNeeded) {
  StringValue a{}, b{};
  Assign(&a, "first");                  // makes the heap: no work copy
  Assign(&b, std::string(1000, 'b'));  // takes a work copy of 1000 bytes
  os::FailAllocationsAfter(0);
  Assign(&a, std::string(1000, 'c'));  // fits the kept one
  Assign(&b, "short");
  EXPECT_TRUE(Raises([] { PushBytes(std::string(1001, 'd')); }, 7, 0xC502));
  os::FailAllocationsAfter(-1);
  EXPECT_EQ(Bytes(a), std::string(1000, 'c'));
  EXPECT_EQ(Bytes(b), "short");
}

}  // namespace
}  // namespace tolvex::text
