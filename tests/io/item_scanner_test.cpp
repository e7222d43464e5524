// ScanItem's rules as the keyboard meets them (a whole entry, items taken
// one after the other through the continuation) and the store step.
#include "runtime/io/item_scanner.h"

#include <cmath>
#include <limits>

#include "runtime/core/error_codes.h"
#include "runtime/text/string_stack.h"
#include "tests/support/runtime_test.h"

namespace tolvex::testing {
namespace {

using namespace tolvex::core;
using namespace tolvex::frame;

class ItemScannerTest : public RuntimeTest {
 protected:
  // Scans a text item (from `entry`, or the continuation when null) and
  // returns its bytes, or "<fail>".
  static std::string Text(const char* entry) {
    numeric::Extended unused;
    if (!io::ScanItem(reinterpret_cast<const uint8_t*>(entry), io::kItemString, &unused))
      return "<fail>";
    text::StringValue item = text::PopText();
    std::string bytes = text::Bytes(item);
    text::ReleaseText(item);
    return bytes;
  }
};

TEST_F(ItemScannerTest, TextItems) {
  struct Case {
    const char* entry;
    std::string item;
    bool more;  // a separator left a further item
  };
  const Case cases[] = {
      {"abc", "abc", false},
      {"  ab  ,", "ab", true},
      {"\"a,b\",", "a,b", true},
      {"\"abc\" ", "abc", false},
      {"\"abc\" x", "<fail>", false},
      {"\"ab\"\"", "<fail>", false},
      {"\"abc  ", "abc", false},        // quote never closed: trailing blanks go
      {"\"  ab  \"", "  ab  ", false},  // inside quotes blanks stay
      {"a\"b", "a\"b", false},          // a quote inside an unquoted item is a byte
      {"C:\\data\\tile", "C", true},   // the colon ends the item
      {"\"C:\\data\\tile\"", "C:\\data\\tile", false},
      {",x", "", true},
      {"", "", false},
      {"\x95\x57\x8D\x82 \x82\x8D", "\x95\x57\x8D\x82 \x82\x8D", false},  // 標高 ｍ
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Text(c.entry), c.item) << c.entry;
    EXPECT_EQ(io::HasItemContinuation(), c.more) << c.entry;
    EXPECT_EQ(text::StackDepth(), 0);
  }
}

TEST_F(ItemScannerTest, NumericItems) {
  struct Case {
    const char* entry;
    bool ok;
    long double value;
    bool more;
  };
  const Case cases[] = {
      {"12", true, 12, false},
      {"  -7  ", true, -7, false},
      {"12,", true, 12, true},   // the keyboard asks again for the extra item
      {"1 2", false, 0, false},  // a blank ends the number; "2" may not follow
      {"1 ,2", true, 1, true},
      {"1 \"", true, 1, false},
      {"1abc", true, 1, false},  // characters right after the number are ignored
      {"\"12\"", false, 0, false},
      {"abc", false, 0, false},
      {"", false, 0, false},
      {"  ", false, 0, false},
      {",5", false, 0, false},  // failed before the separator counts
  };
  for (const Case& c : cases) {
    numeric::Extended value;
    EXPECT_EQ(io::ScanItem(reinterpret_cast<const uint8_t*>(c.entry), io::kItemInt16, &value),
              c.ok)
        << c.entry;
    if (c.ok) {
      EXPECT_EQ(value.native(), c.value) << c.entry;
    }
    EXPECT_EQ(io::HasItemContinuation(), c.more) << c.entry;
  }
}

TEST_F(ItemScannerTest, ItemsFollowThroughTheContinuation) {
  const char* entry = "name, 2 :\"x,y\"";
  EXPECT_EQ(Text(entry), "name");
  numeric::Extended value;
  EXPECT_TRUE(io::ScanItem(nullptr, io::kItemDouble, &value));
  EXPECT_EQ(value.native(), 2);
  EXPECT_EQ(Text(nullptr), "x,y");
  EXPECT_FALSE(io::HasItemContinuation());
  EXPECT_EQ(Text(nullptr), "<fail>");  // too few items
  // A new entry forgets the old continuation.
  EXPECT_EQ(Text("a,b"), "a");
  EXPECT_EQ(Text("c"), "c");
  EXPECT_FALSE(io::HasItemContinuation());
}

TEST_F(ItemScannerTest, StoreNumbers) {
  int16_t i16 = 0;
  int32_t i32 = 0;
  float single = 0;
  double dbl = 0;
  uint8_t byte = 0;
  const io::InputItem to_i16{&i16, io::kItemInt16};
  const io::InputItem to_byte{&byte, io::kItemByte};
  const io::InputItem to_single{&single, io::kItemSingle};

  io::StoreItem(to_i16, numeric::Extended(2.5L));
  EXPECT_EQ(i16, 2);  // ties to even
  io::StoreItem(to_i16, numeric::Extended(-32768.0L));
  EXPECT_EQ(i16, -32768);
  io::StoreItem({&i32, io::kItemInt32}, numeric::Extended(65535.0L));
  EXPECT_EQ(i32, 65535);
  io::StoreItem(to_single, numeric::Extended(123.45L));
  EXPECT_EQ(single, 123.45f);
  io::StoreItem({&dbl, io::kItemDouble}, numeric::Extended(0.1L));
  EXPECT_EQ(dbl, 0.1);
  io::StoreItem(to_byte, numeric::Extended(255.4L));
  EXPECT_EQ(byte, 255);

  struct Case {
    io::InputItem item;
    long double value;
  };
  const Case overflows[] = {
      {to_i16, 32767.5L},  {to_i16, 65535.0L}, {to_byte, 256.0L},
      {to_byte, -1.0L},    {to_single, 1e39L},
      {{&i32, io::kItemInt32}, 4294967295.0L},
      {{&dbl, io::kItemDouble}, std::numeric_limits<long double>::max()},
  };
  for (const Case& c : overflows)
    EXPECT_TRUE(Raises([&] { io::StoreItem(c.item, numeric::Extended(c.value)); }, kErrOverflow,
                       kLocStoreOverflow))
        << static_cast<double>(c.value);
  EXPECT_EQ(i16, -32768);  // unchanged by the failed stores
}

TEST_F(ItemScannerTest, StoreText) {
  text::StringValue variable;
  numeric::Extended unused;
  ASSERT_TRUE(io::ScanItem(reinterpret_cast<const uint8_t*>("tile"), io::kItemString, &unused));
  io::StoreItem({&variable, io::kItemString}, unused);
  EXPECT_EQ(text::Bytes(variable), "tile");
  EXPECT_EQ(variable.kind, text::kStringVariable);

  text::StringValue fixed;
  fixed.kind = text::kFixedKind12;
  ASSERT_TRUE(io::ScanItem(reinterpret_cast<const uint8_t*>("x"), io::kItemString12, &unused));
  EXPECT_TRUE(Raises([&] { io::StoreItem({&fixed, io::kItemString12}, unused); },
                     kErrTypeMismatch, kLocStoreKind));
  EXPECT_EQ(text::StackDepth(), 0);
}

}  // namespace
}  // namespace tolvex::testing
