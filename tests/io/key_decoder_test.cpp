// The key decoder: escape sequences, split reads, UTF-8 typed characters.
#include "runtime/io/key_decoder.h"

#include <gtest/gtest.h>

namespace tolvex::io {
namespace {

std::string Decode(KeyDecoder& decoder, const std::string& bytes, int* unmappable) {
  std::string keys;
  DecodeKeys(decoder, reinterpret_cast<const uint8_t*>(bytes.data()),
             static_cast<uint32_t>(bytes.size()), &keys, unmappable);
  return keys;
}

TEST(KeyDecoder, Sequences) {
  struct Case {
    std::string bytes;
    std::string keys;
    int unmappable = 0;
  };
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
      // a byte that cannot continue a sequence ends it and is a key itself
      {"\x1b[\r\x1b[1;\x03\x1bO\r\x1b[\x1b[A", "\r\x03\r\x1e"},
      {"\xe6\r\xe6\xa8\x03\xff\x80\r", "\r\x03\r", 4},
  };
  for (const Case& c : cases) {
    KeyDecoder decoder;
    int unmappable = 0;
    EXPECT_EQ(Decode(decoder, c.bytes, &unmappable), c.keys) << c.bytes;
    EXPECT_EQ(unmappable, c.unmappable) << c.bytes;
    EXPECT_FALSE(AwaitsRest(decoder));
  }
}

TEST(KeyDecoder, SplitReadsAndCharactersWithoutAForm) {
  KeyDecoder decoder;
  int unmappable = 0;
  EXPECT_EQ(Decode(decoder, "x\x1b[", &unmappable), "x");
  EXPECT_EQ(Decode(decoder, "D", &unmappable), "\x1d");
  EXPECT_EQ(Decode(decoder, "\xe6\xa8", &unmappable), "");
  EXPECT_EQ(Decode(decoder, "\x99", &unmappable), "\x95\x57");
  EXPECT_EQ(Decode(decoder, "\xf0\x9f\x98\x80z", &unmappable), "z");  // an emoji
  // é, and 〜 and ¥, which code page 932 keeps only as ～ and a backslash
  EXPECT_EQ(Decode(decoder, "\xc3\xa9\xe3\x80\x9c\xc2\xa5y", &unmappable), "y");
  EXPECT_EQ(unmappable, 4);
}

// A sequence longer than any key is dropped to its end without being held;
// one whose rest never comes is ended by the caller's timer.
TEST(KeyDecoder, UnendedSequencesAreBoundedAndEnded) {
  KeyDecoder decoder;
  int unmappable = 0;
  const std::pair<const char*, const char*> ends[] = {{"2;3~x", "x"}, {"2\x03x", "\x03x"}};
  for (const auto& [end, keys] : ends) {
    EXPECT_EQ(Decode(decoder, "\x1b[" + std::string(1000, '1'), &unmappable), "");
    EXPECT_LE(decoder.partial.size(), kLongestSequence);
    EXPECT_EQ(Decode(decoder, end, &unmappable), keys);
  }
  for (const char* cut : {"\x1b[1", "\xe6\xa8", "\x1b[" "1111111111111111111111111111111111"}) {
    EXPECT_EQ(Decode(decoder, cut, &unmappable), "");
    EXPECT_TRUE(AwaitsRest(decoder));
    EndIncomplete(decoder, &unmappable);
    EXPECT_EQ(Decode(decoder, "5", &unmappable), "5");
  }
  EXPECT_EQ(unmappable, 1);
}

}  // namespace
}  // namespace tolvex::io
