// The channel check every read and write shares: 50 outside 1..255, 57 for a closed channel,
// 51 for the wrong kind, each at the caller's own location.
#include "runtime/io/channel_table.h"

#include "runtime/io/line_reader.h"
#include "runtime/io/read_items.h"
#include "runtime/io/write_binary.h"
#include "runtime/io/write_text.h"
#include "tests/io/file_test_support.h"

namespace tolvex::testing {
namespace {

using namespace tolvex::core;

using ChannelCheckTest = FileTest;

void ReadOneLine(int16_t channel) {
  text::StringValue line;
  io::SelectLineSource(channel);
  io::ReadLine(&line);
}
void ReadOneItem(int16_t channel) {
  float value = 0;
  const io::InputItem items[] = {{&value, io::kItemSingle}};
  io::SelectItemSource(channel);
  io::ReadItems({1, items});
}
void WriteSample(int16_t channel) { io::WriteBinary(channel, 2, "xy"); }
void WriteLine(int16_t channel) {
  io::SelectOutputChannel(channel);
  text::PushConstText(text::ConstText("text"));
  io::WriteText(io::kEndLine);
}

TEST_F(ChannelCheckTest, NumberAndClosedChannelAtEachCallersLocations) {
  struct Caller { const char* name; void (*call)(int16_t); uint32_t range_at, closed_at; };
  const Caller callers[] = {
      {"line source", io::SelectLineSource, kLocLineSourceChannel, kLocLineSourceClosed},
      {"item source", io::SelectItemSource, kLocItemSourceChannel, kLocItemSourceClosed},
      {"binary write", WriteSample, kLocWriteBinaryChannel, kLocWriteBinaryClosed},
      {"output", io::SelectOutputChannel, kLocSelectOutputChannel, kLocSelectOutputClosed},
  };
  constexpr int16_t kOutOfRange[] = {0, -1, 256};
  for (const Caller& c : callers) {
    for (int16_t channel : kOutOfRange)
      EXPECT_TRUE(Raises([&] { c.call(channel); }, kErrBadChannelNumber, c.range_at))
          << c.name << " " << channel;
    // 255 is in range: merely not open.
    EXPECT_TRUE(Raises([&] { c.call(255); }, kErrChannelNotOpen, c.closed_at)) << c.name;
  }
}

TEST_F(ChannelCheckTest, WrongKindAtEachCallersLocation) {
  Put("in.txt", "x");
  Open(1, 0, 1, "in.txt");
  Open(2, 0, 2, "out.txt");
  Open(2, 0, 3, "SCRN:");
  Open(1, 0, 4, "KYBD:");
  Open(8, 0, 5, "in.txt");
  struct Case { void (*call)(int16_t); int16_t channel; uint32_t location; };
  const Case cases[] = {
      {io::SelectLineSource, 3, kLocLineSourceKind},  // the screen
      {io::SelectItemSource, 3, kLocItemSourceKind},
      {ReadOneLine, 2, kLocReadLine},                 // an output file
      {ReadOneItem, 2, kLocReadItemsField},
      {WriteSample, 3, kLocWriteBinaryNotFile},
      {WriteSample, 2, kLocWriteBinaryKind},
      {WriteSample, 1, kLocWriteBinaryKind},          // an input file
      {WriteLine, 1, kLocWriteTextWrite},
      {WriteLine, 5, kLocWriteTextWrite},             // a binary input file
      {WriteLine, 4, kLocWriteTextFormat},            // the keyboard
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(Raises([&] { c.call(c.channel); }, kErrBadFileMode, c.location))
        << "row of location " << c.location;
    EXPECT_EQ(text::StackDepth(), 0) << c.location;
  }
}

}  // namespace
}  // namespace tolvex::testing
