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
  };
  const Case cases[] = {
      {"\x1b[A\x1b[B\x1b[C\x1b[D", "\x1e\x1f\x1c\x1d"},
      {"\x1bOA\x1bOD", "\x1e\x1d"},
      {"\x1b[H\x1b[F\x1b[1~\x1b[4~", "\x0b\x15\x0b\x15"},
      {"\x1b[1;2H\x1b[E", "\x0c\x0c"},  // Shift+Home and Clear
      {"\x1b[2~\x1b[3~\x1b[5~\x1b[6~", "\x12\x04\x13\x14"},
      {"\x1b[15~\x1bOP\x1b[1;5C", ""},   // function and modified keys: nothing
      {"\x7f\x08", "\x08\x08"},          // both BackSpaces
      {"a\r\x03\x18", "a\r\x03\x18"},    // control bytes pass
      {"\x1b", "\x1b"},                  // a lone Escape
      {"\xe6\xa8\x99\xe9\xab\x98", "\x95\x57\x8d\x82"},  // 標高
      {"\xef\xbd\xb1", "\xb1"},          // half-width katakana: one byte
  };
  for (const Case& c : cases) {
    KeyDecoder decoder;
    int unmappable = 0;
    EXPECT_EQ(Decode(decoder, c.bytes, &unmappable), c.keys) << c.bytes;
    EXPECT_EQ(unmappable, 0);
    EXPECT_TRUE(decoder.partial.empty());
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

}  // namespace
}  // namespace tolvex::io
