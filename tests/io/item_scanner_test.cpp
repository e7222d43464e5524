// ScanItem as the keyboard meets it (whole entries, the continuation) and the store step.
#include "runtime/io/item_scanner.h"

#include <cstring>
#include <limits>

#include "runtime/core/error_codes.h"
#include "runtime/text/string_stack.h"
#include "tests/support/runtime_test.h"

namespace tolvex::testing {
namespace {

using namespace tolvex::core;

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
  struct Case { const char* entry; std::string item; bool more; };  // more: an item follows
  const Case cases[] = {
      {"abc", "abc", false},        {"  ab  ,", "ab", true},       {"\"a,b\",", "a,b", true},
      {"\"abc\" ", "abc", false},   {"\"abc\" x", "<fail>", false}, {"\"ab\"\"", "<fail>", false},
      {",x", "", true},             {"", "", false},
      {"\"abc  ", "abc", false},        // quote never closed: trailing blanks go
      {"\"  ab  \"", "  ab  ", false},  // inside quotes blanks stay
      {"a\"b", "a\"b", false},          // a quote inside an unquoted item is a byte
      {"C:\\data\\tile", "C", true},   // the colon ends the item
      {"\"C:\\data\\tile\"", "C:\\data\\tile", false},
      {"\x95\x57\x8D\x82 \x82\x8D", "\x95\x57\x8D\x82 \x82\x8D", false},  // 標高 ｍ
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Text(c.entry), c.item) << c.entry;
    EXPECT_EQ(io::HasItemContinuation(), c.more) << c.entry;
    EXPECT_EQ(text::StackDepth(), 0);
  }
}

TEST_F(ItemScannerTest, NumericItems) {
  struct Case { const char* entry; bool ok; long double value; bool more; };
  const Case cases[] = {
      {"12", true, 12, false},    {"  -7  ", true, -7, false}, {"1 ,2", true, 1, true},
      {"1 \"", true, 1, false},   {"\"12\"", false, 0, false}, {"abc", false, 0, false},
      {"", false, 0, false},      {"  ", false, 0, false},
      {"12,", true, 12, true},    // the keyboard asks again for the extra item
      {"1 2", false, 0, false},   // a blank ends the number; "2" may not follow
      {"1abc", true, 1, false},   // characters right after the number are ignored
      {",5", false, 0, false},    // failed before the separator counts
  };
  for (const Case& c : cases) {
    numeric::Extended value(-1.0L);
    EXPECT_EQ(io::ScanItem(reinterpret_cast<const uint8_t*>(c.entry), io::kItemInt16, &value),
              c.ok)
        << c.entry;
    if (c.ok) { EXPECT_EQ(value.native(), c.value) << c.entry; }
    EXPECT_EQ(io::HasItemContinuation(), c.more) << c.entry;
  }
  // Items follow through the continuation; a new entry forgets it.
  EXPECT_EQ(Text("name, 2 :\"x,y\""), "name");
  numeric::Extended value;
  EXPECT_TRUE(io::ScanItem(nullptr, io::kItemDouble, &value));
  EXPECT_EQ(value.native(), 2);
  EXPECT_EQ(Text(nullptr), "x,y");
  EXPECT_EQ(Text(nullptr), "<fail>");  // too few items
  EXPECT_EQ(Text("a,b"), "a");
  EXPECT_EQ(Text("c"), "c");
  EXPECT_FALSE(io::HasItemContinuation());
}

template <class T>
std::string Raw(T v) { return std::string(reinterpret_cast<const char*>(&v), sizeof v); }

TEST_F(ItemScannerTest, TheStoreStep) {
  struct Case { uint32_t type; long double value; std::string stored; };  // "": overflow
  const Case cases[] = {
      {io::kItemInt16, 2.5L, Raw<int16_t>(2)},  // ties to even
      {io::kItemInt16, -32768.0L, Raw<int16_t>(-32768)},
      {io::kItemInt16, 32767.5L, ""},  {io::kItemInt16, 65535.0L, ""},
      {io::kItemInt32, 65535.0L, Raw<int32_t>(65535)}, {io::kItemInt32, 4294967295.0L, ""},
      {io::kItemSingle, 123.45L, Raw(123.45f)},         {io::kItemSingle, 1e39L, ""},
      {io::kItemDouble, 0.1L, Raw(0.1)},
      {io::kItemDouble, std::numeric_limits<long double>::max(), ""},
      {io::kItemByte, 255.4L, Raw<uint8_t>(255)}, {io::kItemByte, 256.0L, ""},
      {io::kItemByte, -1.0L, ""},
  };
  for (const Case& c : cases) {
    char bytes[8] = {};
    const auto store = [&] { io::StoreItem({bytes, c.type}, numeric::Extended(c.value)); };
    if (c.stored.empty()) {
      EXPECT_TRUE(Raises(store, kErrOverflow, kLocStoreOverflow)) << static_cast<double>(c.value);
      EXPECT_EQ(std::string(bytes, 8), std::string(8, '\0'));  // left as it was
    } else {
      store();
      EXPECT_EQ(std::string(bytes, c.stored.size()), c.stored) << static_cast<double>(c.value);
    }
  }
  // Fixed-length text takes no item; the scanned text is released.
  text::StringValue fixed;
  fixed.kind = text::kFixedKind12;
  numeric::Extended unused;
  ASSERT_TRUE(io::ScanItem(reinterpret_cast<const uint8_t*>("x"), io::kItemString12, &unused));
  EXPECT_TRUE(Raises([&] { io::StoreItem({&fixed, io::kItemString12}, unused); },
                     kErrTypeMismatch, kLocStoreKind));
  EXPECT_EQ(text::StackDepth(), 0);
}

}  // namespace
}  // namespace tolvex::testing
