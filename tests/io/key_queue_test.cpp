// The key queue: 255 keys at most, a full queue beeps, Ctrl+C marks the
// break, and the wait for a key dispatches one message at a time.
#include "runtime/io/key_queue.h"

#include "runtime/core/break_event.h"
#include "runtime/frame/frame.h"
#include "tests/io/console_test_support.h"

namespace tolvex::testing {
namespace {

using KeyQueueTest = ConsoleTest;

TEST_F(KeyQueueTest, HoldsAtMost255KeysInOrder) {
  for (int i = 0; i < 300; ++i) io::DeliverKey(static_cast<uint8_t>('a' + i % 26));
  EXPECT_EQ(io::KeyCount(), io::kKeyQueueCapacity);
  EXPECT_EQ(window.beeps, 300 - 255);
  uint8_t key = 0;
  ASSERT_TRUE(io::PopKey(&key));
  EXPECT_EQ(key, 'a');
  io::DeliverKey('!');  // room for one again
  EXPECT_EQ(io::KeyCount(), 255);
  io::ClearKeyQueue();
  EXPECT_FALSE(io::PopKey(&key));
}

TEST_F(KeyQueueTest, CtrlCMarksTheBreakBeforeItIsQueuedAndKeyZeroIsDropped) {
  EXPECT_FALSE(core::BreakPending());
  io::DeliverKey(io::kKeyBreak);
  EXPECT_TRUE(core::BreakPending());
  io::DeliverKey(io::kKeyCut);  // a typed NUL: queued, it would end the wait
  EXPECT_EQ(io::KeyCount(), 1);
}

TEST_F(KeyQueueTest, WaitingDispatchesOneMessageAndEndsWithTheWindow) {
  window.Type("xy");
  uint8_t key = 0;
  ASSERT_TRUE(io::WaitForKey(&key));
  EXPECT_EQ(key, 'x');
  EXPECT_EQ(window.Waiting(), 1u);  // 'y' is still a message, not a key
  ASSERT_TRUE(io::WaitForKey(&key));
  EXPECT_EQ(key, 'y');
  window.RequestClose();
  EXPECT_FALSE(io::WaitForKey(&key));
  EXPECT_EQ(io::TakeKey(), io::kKeyCut);
}

}  // namespace
}  // namespace tolvex::testing
