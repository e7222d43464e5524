// The keys: the decoder (escape sequences, split reads, UTF-8 typed characters) and the
// queue (255 keys, a beep when full, Ctrl+C's break mark, one message per wait).
#include "runtime/io/key_decoder.h"

#include "runtime/core/break_event.h"
#include "runtime/io/key_queue.h"
#include "tests/io/console_test_support.h"

namespace tolvex::testing {
namespace {

std::string Decode(io::KeyDecoder& decoder, const std::string& bytes, int* unmappable) {
  std::string keys;
  io::DecodeKeys(decoder, reinterpret_cast<const uint8_t*>(bytes.data()),
                 static_cast<uint32_t>(bytes.size()), &keys, unmappable);
  return keys;
}

// Each row is one decoder's input; "|" parts the reads.
TEST(KeyDecoder, SequencesAndSplitReads) {
  struct Case { std::string bytes, keys; int unmappable = 0; };
  const Case cases[] = {
      {"\x1b[A\x1b[B\x1b[C\x1b[D", "\x1e\x1f\x1c\x1d"},
      {"\x1bOA\x1bOD", "\x1e\x1d"},
      {"\x1b[H\x1b[F\x1b[1~\x1b[4~", "\x0b\x15\x0b\x15"},
      {"\x1b[1;2H\x1b[E", "\x0c\x0c"},  // Shift+Home and Clear
      {"\x1b[2~\x1b[3~\x1b[5~\x1b[6~", "\x12\x04\x13\x14"},
      {"\x1b[15~\x1bOP\x1bO2P\x1b[1;5C\x1b[[A", ""},  // function and modified keys: nothing
      {"\x7f\x08", "\x08\x08"},          // both BackSpaces
      {"a\r\x03\x18", "a\r\x03\x18"},    // control bytes pass
      {"\x1b", "\x1b"},                  // a lone Escape
      {"\xe6\xa8\x99\xe9\xab\x98", "\x95\x57\x8d\x82"},  // 標高
      {"\xef\xbd\xb1", "\xb1"},          // half-width katakana: one byte
      {"x\x1b[|D", "x\x1d"},           {"\xe6\xa8|\x99", "\x95\x57"},
      {"\xf0\x9f\x98\x80z", "z", 1},      // an emoji
      // é, and 〜 and ¥, which code page 932 keeps only as ～ and a backslash
      {"\xc3\xa9\xe3\x80\x9c\xc2\xa5y", "y", 3},
      // a byte that cannot continue a sequence ends it and is a key itself
      {"\x1b[\r\x1b[1;\x03\x1bO\r\x1b[\x1b[A", "\r\x03\r\x1e"},
      {"\xe6\r\xe6\xa8\x03\xff\x80\r", "\r\x03\r", 4},
  };
  for (const Case& c : cases) {
    io::KeyDecoder decoder;
    int unmappable = 0;
    std::string keys;
    for (size_t start = 0, end = 0; end != std::string::npos; start = end + 1) {
      end = c.bytes.find('|', start);
      keys += Decode(decoder, c.bytes.substr(start, end - start), &unmappable);
    }
    EXPECT_EQ(keys, c.keys) << c.bytes;
    EXPECT_EQ(unmappable, c.unmappable) << c.bytes;
    EXPECT_FALSE(io::AwaitsRest(decoder));
  }
}

// A sequence longer than any key is dropped to its end without being held;
// one whose rest never comes is ended by the caller's timer.
TEST(KeyDecoder, UnendedSequencesAreBoundedAndEnded) {
  io::KeyDecoder decoder;
  int unmappable = 0;
  const std::pair<const char*, const char*> ends[] = {{"2;3~x", "x"}, {"2\x03x", "\x03x"}};
  for (const auto& [end, keys] : ends) {
    EXPECT_EQ(Decode(decoder, "\x1b[" + std::string(1000, '1'), &unmappable), "");
    EXPECT_LE(decoder.partial.size(), io::kLongestSequence);
    EXPECT_EQ(Decode(decoder, end, &unmappable), keys);
  }
  for (const char* cut : {"\x1b[1", "\xe6\xa8", "\x1b[" "1111111111111111111111111111111111"}) {
    EXPECT_EQ(Decode(decoder, cut, &unmappable), "");
    EXPECT_TRUE(io::AwaitsRest(decoder));
    io::EndIncomplete(decoder, &unmappable);
    EXPECT_EQ(Decode(decoder, "5", &unmappable), "5");
  }
  EXPECT_EQ(unmappable, 1);
}

using KeyQueueTest = ConsoleTest;

// 255 keys at most, in order; the wait dispatches one message at a time and ends with the
// window; Ctrl+C marks the break before it is queued; key 0 is never queued.
TEST_F(KeyQueueTest, KeysInOrderWaitsAndTheBreak) {
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
  window.Type("xy");
  ASSERT_TRUE(io::WaitForKey(&key));
  EXPECT_EQ(key, 'x');
  EXPECT_EQ(window.Waiting(), 1u);  // 'y' is still a message, not a key
  ASSERT_TRUE(io::WaitForKey(&key));
  EXPECT_EQ(key, 'y');
  window.RequestClose();
  EXPECT_FALSE(io::WaitForKey(&key));
  EXPECT_EQ(io::TakeKey(), io::kKeyCut);
  EXPECT_FALSE(core::BreakPending());
  io::DeliverKey(io::kKeyBreak);
  EXPECT_TRUE(core::BreakPending());
  io::DeliverKey(io::kKeyCut);  // a typed NUL: queued, it would end the wait
  EXPECT_EQ(io::KeyCount(), 1);
}

}  // namespace
}  // namespace tolvex::testing
