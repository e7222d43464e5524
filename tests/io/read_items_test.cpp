// ReadItems on file channels: ReadField's cutting of fields with ScanItem and the store
// step, and the errors of reading.
#include "runtime/io/read_items.h"

#include <vector>

#include "runtime/io/field_reader.h"
#include "runtime/io/input_source.h"
#include "runtime/os/memory.h"
#include "tests/io/file_test_support.h"

namespace tolvex::testing {
namespace {

using namespace tolvex::core;

class ReadItemsTest : public FileTest {
 protected:
  void OpenText(const std::string& bytes) {
    Put("items.txt", bytes);
    Open(1, 3, 1, "items.txt");
  }
  // Reads one item of `type` from channel 1.
  static void Next(void* address, uint32_t type) {
    const io::InputItem items[] = {{address, type}};
    io::SelectItemSource(1);
    io::ReadItems({1, items});
  }
  static std::string NextText() {
    text::StringValue variable;
    Next(&variable, io::kItemString);
    const std::string bytes = text::Bytes(variable);
    text::ReleaseText(variable);  // the heap must not refresh a variable gone out of scope
    return bytes;
  }
  static float NextSingle() {
    float value = -1;
    Next(&value, io::kItemSingle);
    return value;
  }
};

TEST_F(ReadItemsTest, TextFields) {
  struct Case { std::string bytes; std::vector<std::string> items; };
  const Case cases[] = {
      {"  ab  ,", {"ab"}},
      {"\"a,b\",next", {"a,b", "next"}},
      {"a:b,c\r\n", {"a", "b", "c"}},
      {"\r\n\r\nx", {"", "", "x"}},
      {"t\rLF\nkept", {"t", "LF\nkept"}},
      // A stray byte after the closing quote ends the field and is dropped;
      // the comma behind it then ends an empty one.
      {"\"q\"x,y", {"q", "", "y"}},
      {std::string("n\0ul\0l,", 7), {"null"}},
      {"mid\x1a" "dle\x1a", {"mid\x1a" "dle"}},
      {"a\tb ,", {"a\tb"}},
      // Blanks inside quotes are kept; an item byte after "" ends that field;
      // a quote inside an unquoted field is data.
      {"\" a \"\x1a", {" a "}},
      {"a\"b,", {"a\"b"}},
      {"\"\"x,y", {"", "", "y"}},
  };
  for (const Case& c : cases) {
    OpenText(c.bytes);
    for (const std::string& item : c.items) EXPECT_EQ(NextText(), item) << c.bytes;
    io::CloseChannel(1);
  }
}

TEST_F(ReadItemsTest, NumericFields) {
  OpenText("1 2\r\n  -3.5,\t7\r\n");
  EXPECT_EQ(NextSingle(), 1.0f);
  EXPECT_EQ(NextSingle(), 2.0f);  // the next item starts at the 2
  EXPECT_EQ(NextSingle(), -3.5f);
  // A tab is a byte of the field, and no number begins with it.
  EXPECT_TRUE(Raises([&] { NextSingle(); }, kErrBadInputItem, kLocReadItemsScan));
}

TEST_F(ReadItemsTest, FieldErrors) {
  struct Case { std::string bytes; uint32_t type; int16_t code; uint32_t location; };
  const Case cases[] = {
      {"\r\n", io::kItemSingle, kErrBadInputItem, kLocReadItemsScan},  // empty line
      {",5", io::kItemSingle, kErrBadInputItem, kLocReadItemsField},
      {":5", io::kItemInt16, kErrBadInputItem, kLocReadItemsField},
      {"abc,", io::kItemSingle, kErrBadInputItem, kLocReadItemsScan},
      {"\"12\",", io::kItemSingle, kErrBadInputItem, kLocReadItemsScan},
      {"", io::kItemString, kErrInputPastEnd, kLocReadItemsField},
      {"\x1a", io::kItemString, kErrInputPastEnd, kLocReadItemsField},
      {"  \x1a", io::kItemSingle, kErrInputPastEnd, kLocReadItemsField},
      {"\"\"\x1a", io::kItemString, kErrInputPastEnd, kLocReadItemsField},  // "" begins nothing
      {std::string(io::kFieldBufferBytes, 'x'), io::kItemString, kErrStringTooLong,
       kLocReadItemsField},
  };
  for (const Case& c : cases) {
    OpenText(c.bytes);
    float number = 0;
    text::StringValue variable;
    void* address = c.type == io::kItemString ? static_cast<void*>(&variable) : &number;
    EXPECT_TRUE(Raises([&] { Next(address, c.type); }, c.code, c.location)) << c.bytes.substr(0, 8);
    io::CloseChannel(1);
  }
  // The longest field that fits its buffer is read whole.
  OpenText(std::string(io::kFieldBufferBytes - 1, 'y') + ",");
  EXPECT_EQ(NextText().size(), io::kFieldBufferBytes - 1);
}

TEST_F(ReadItemsTest, FieldsAcrossTheEdgeOfTheReadAhead) {
  // Long runs of plain bytes are taken at once; the steering bytes behind
  // them land on every side of the read-ahead buffer's edge in turn.
  for (uint32_t shift = 0; shift < 24; ++shift) {
    const std::string first(16384, 'p');
    const std::string second(16370 + shift, 'q');
    OpenText(first + "," + second + ",ab cd,\"x,y\" ,12 ,34\r\n\x1a" "end\x1a");
    EXPECT_EQ(NextText(), first) << shift;
    EXPECT_EQ(NextText(), second) << shift;
    EXPECT_EQ(NextText(), "ab cd") << shift;
    EXPECT_EQ(NextText(), "x,y") << shift;
    EXPECT_EQ(NextSingle(), 12.0f) << shift;
    EXPECT_EQ(NextSingle(), 34.0f) << shift;
    EXPECT_EQ(NextText(), "\x1a" "end") << shift;
    EXPECT_EQ(ControlOf(1).position, ControlOf(1).length) << shift;
    io::CloseChannel(1);
  }
}

TEST_F(ReadItemsTest, AFieldTooLongLeavesNothingWhenTheRaiseReturns) {
  // While an error is being processed a raise returns: the field must then
  // be empty and terminated, not the cut bytes without their end.
  OpenText(std::string(io::kFieldBufferBytes + 10, 'x'));
  std::vector<uint8_t> buffer(io::kFieldBufferBytes, 0xEE);
  core::Errors().processing = true;
  io::ReadField(io::LookupChannel(1), buffer.data(), io::kItemString, kLocReadItemsField);
  core::Errors().processing = false;
  EXPECT_EQ(buffer[0], 0);
  EXPECT_EQ(ControlOf(1).position, 0u);
}

// The item buffer is taken when first needed and kept from then on: a read
// that has it needs no memory for it again.
TEST_F(ReadItemsTest, TheItemBufferIsKept) {
  OpenText("1,2,");
  io::ReleaseInputBuffers();
  os::FailAllocationsAfter(0);
  EXPECT_TRUE(Raises([&] { NextSingle(); }, kErrOutOfMemory, kLocReadItemsBuffer));
  os::FailAllocationsAfter(-1);
  EXPECT_EQ(ControlOf(1).position, 0u);
  EXPECT_EQ(NextSingle(), 1.0f);
  os::FailAllocationsAfter(0);
  EXPECT_EQ(NextSingle(), 2.0f);
  os::FailAllocationsAfter(-1);
  EXPECT_EQ(ControlOf(1).position, 4u);
}

}  // namespace
}  // namespace tolvex::testing
