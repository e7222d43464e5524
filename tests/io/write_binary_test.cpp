// WriteBinary and the buffered output path: the bytes, their order and the
// file's length are those of one write per call; few system writes; nothing
// written is lost on a close, and a failed hand-over is reported.
#include "runtime/io/write_binary.h"

#include <cerrno>
#include <vector>

#include "runtime/io/write_buffer.h"
#include "runtime/io/write_text.h"
#include "tests/io/file_test_support.h"

namespace tolvex::testing {
namespace {

using namespace tolvex::core;
using namespace tolvex::frame;

class WriteBinaryTest : public FileTest {};

TEST_F(WriteBinaryTest, SamplesAreLittleEndian) {
  Open(9, 3, 2, "tile.bil");
  const int16_t samples[] = {-9999, 1234, 0, -1, 32767};
  for (int16_t sample : samples) io::WriteBinary(2, 2, &sample);
  EXPECT_EQ(ControlOf(2).position, 10u);
  EXPECT_EQ(ControlOf(2).length, 10u);
  EXPECT_EQ(ControlOf(2).column, 0);
  io::CloseChannel(2);
  EXPECT_EQ(Get("tile.bil"), std::string("\xf1\xd8\xd2\x04\x00\x00\xff\xff\xff\x7f", 10));
}

TEST_F(WriteBinaryTest, StringForm) {
  Open(10, 0, 1, "strings.bin");
  text::StringValue variable;
  text::PushConstText(text::ConstText("abc"));
  text::AssignText(&variable);
  io::WriteBinary(1, 0, &variable);
  text::StringValue empty;
  text::PushConstText(text::ConstText(""));
  text::AssignText(&empty);
  io::WriteBinary(1, 0, &empty);
  EXPECT_EQ(text::Bytes(variable), "abc");
  text::StringValue never;  // kind 0 is not a string variable
  EXPECT_TRUE(Raises([&] { io::WriteBinary(1, 0, &never); }, kErrTypeMismatch,
                     kLocWriteBinaryString));
  io::CloseChannel(1);
  EXPECT_EQ(Get("strings.bin"), "abc");
}

TEST_F(WriteBinaryTest, Errors) {
  Put("in.txt", "x");
  Open(2, 0, 1, "seq.txt");
  Open(1, 0, 3, "in.txt");
  Open(2, 0, 4, "SCRN:");
  int16_t value = 1;
  struct Case {
    int16_t channel;
    int16_t code;
    uint32_t location;
  };
  const Case cases[] = {
      {0, kErrBadChannelNumber, kLocWriteBinaryChannel},
      {256, kErrBadChannelNumber, kLocWriteBinaryChannel},
      {-5, kErrBadChannelNumber, kLocWriteBinaryChannel},
      {2, kErrChannelNotOpen, kLocWriteBinaryClosed},
      {1, kErrBadFileMode, kLocWriteBinaryKind},
      {3, kErrBadFileMode, kLocWriteBinaryKind},
      {4, kErrBadFileMode, kLocWriteBinaryNotFile},
  };
  for (const Case& c : cases)
    EXPECT_TRUE(Raises([&] { io::WriteBinary(c.channel, 2, &value); }, c.code, c.location))
        << c.channel;
}

TEST_F(WriteBinaryTest, ManySmallWritesFewSystemWrites) {
  Open(9, 3, 2, "raster.bil");
  const uint64_t writes_before = os::FileCallCount(os::FileCall::kWrite);
  std::string expected;
  for (int32_t i = 0; i < 100000; ++i) {
    const auto sample = static_cast<int16_t>(i * 7 - 30000);
    io::WriteBinary(2, 2, &sample);
    expected.append(reinterpret_cast<const char*>(&sample), 2);
  }
  io::CloseChannel(2);
  EXPECT_EQ(Get("raster.bil"), expected);
  EXPECT_LE(os::FileCallCount(os::FileCall::kWrite) - writes_before,
            expected.size() / io::kWriteBufferBytes + 1);
}

TEST_F(WriteBinaryTest, OrderIsKeptAcrossLargeAndSmallPieces) {
  Open(9, 0, 1, "mixed.bin");
  const std::string large(io::kWriteBufferBytes + 5, 'L');
  const char small[] = "ss";
  io::WriteBinary(1, 2, small);
  io::WriteBinary(1, static_cast<uint32_t>(large.size()), large.data());
  io::WriteBinary(1, 2, small);
  // A channel opened later sees what was written before it opened.
  Open(8, 0, 2, "mixed.bin");
  EXPECT_EQ(ControlOf(2).length, large.size() + 4);
  io::CloseChannel(0);
  EXPECT_EQ(Get("mixed.bin"), "ss" + large + "ss");
}

TEST_F(WriteBinaryTest, FailuresOfTheSystem) {
  int16_t value = 7;
  // A piece that fills the buffer hands the pending bytes over first.
  Open(9, 0, 1, "a.bin");
  io::WriteBinary(1, 2, &value);
  os::FailFileCalls(os::FileCall::kWrite, 0, ENOSPC);
  const std::string large(io::kWriteBufferBytes, 'x');
  EXPECT_TRUE(Raises([&] { io::WriteBinary(1, static_cast<uint32_t>(large.size()), large.data()); },
                     kErrDiskFull, kLocWriteBinaryWrite));
  os::FailFileCalls(os::FileCall::kWrite, -1, 0);
  EXPECT_EQ(ControlOf(1).position, 2u);

  // A flush that fails while another channel opens is reported by the
  // next write to its file.
  Open(9, 0, 2, "b.bin");
  io::WriteBinary(2, 2, &value);
  os::FailFileCalls(os::FileCall::kWrite, 0, EFBIG);
  Open(9, 0, 3, "c.bin");
  os::FailFileCalls(os::FileCall::kWrite, -1, 0);
  EXPECT_TRUE(Raises([&] { io::WriteBinary(2, 2, &value); }, kErrDiskFull, kLocWriteBinaryWrite));
  EXPECT_FALSE(Exists("b.bin") || Exists("c.bin"));
  io::WriteBinary(2, 2, &value);  // reported once

  // A file may not pass 4 GiB - 1 bytes, where its 32-bit length ends: a
  // write (a text line here) may end there, not one byte past.
  ControlOf(3).position = 0xFFFFFFFCu;
  io::SelectOutputChannel(3);
  text::PushConstText(text::ConstText("x"));
  io::WriteText(io::kEndLine);
  EXPECT_EQ(ControlOf(3).length, 0xFFFFFFFFu);
  ControlOf(3).position = 0xFFFFFFFEu;
  EXPECT_TRUE(Raises([&] { io::WriteBinary(3, 2, &value); }, kErrDiskFull, kLocWriteBinaryWrite));

  // The flushes of channels 2 and 3 both fail at one close: the first is
  // reported (its binary write, not channel 3's text line).
  os::FailFileCalls(os::FileCall::kWrite, 0, ENOSPC);
  EXPECT_TRUE(Raises([] { io::CloseChannel(0); }, kErrDiskFull, kLocWriteBinaryWrite));
}

// A failed write removes every file the run created, the complete ones
// too, and only those: a file that was there before is never touched.
TEST_F(WriteBinaryTest, AFailedWriteRemovesTheFilesTheRunCreated) {
  Put("before.bin", "old");
  int16_t value = 7;
  Open(9, 0, 1, "done.bil");
  io::WriteBinary(1, 2, &value);
  io::CloseChannel(1);
  Open(10, 0, 2, "before.bin");
  Open(9, 0, 3, "partial.bil");
  io::WriteBinary(3, 2, &value);
  os::FailFileCalls(os::FileCall::kWrite, 0, EIO);
  const std::string large(io::kWriteBufferBytes, 'x');
  EXPECT_TRUE(Raises([&] { io::WriteBinary(3, static_cast<uint32_t>(large.size()), large.data()); },
                     kErrBadFormat, kLocWriteBinaryWrite));
  os::FailFileCalls(os::FileCall::kWrite, -1, 0);
  EXPECT_FALSE(Exists("done.bil") || Exists("partial.bil"));
  EXPECT_EQ(Get("before.bin"), "old");
}

TEST_F(WriteBinaryTest, EverythingIsInTheFileAfterAnError) {
  Open(9, 0, 2, "partial.bil");
  Open(2, 0, 3, "partial.hdr");
  for (int16_t i = 0; i < 100; ++i) io::WriteBinary(2, 2, &i);
  io::SelectOutputChannel(3);
  text::PushConstText(text::ConstText("ncols 1125"));
  io::WriteText(io::kEndLine);
  // The program ends through an error: the frame closes every channel.
  EXPECT_TRUE(Raises([&] { io::WriteBinary(9, 2, &ControlOf(2)); }, kErrChannelNotOpen,
                     kLocWriteBinaryClosed));
  io::CloseChannel(0);
  EXPECT_EQ(Get("partial.bil").size(), 200u);
  EXPECT_EQ(Get("partial.hdr"), "ncols 1125\r\n\x1a");
}

// WriteBinaryElements against one WriteBinary per element, rows of a
// column-major grid after an odd first byte: the same file, the same system
// writes, and a failing hand-over raised at the same element.
TEST_F(WriteBinaryTest, ElementsWriteAsOneCallPerElement) {
  constexpr int kRows = 251, kColumns = 70;  // 35,141 bytes: one hand-over
  std::vector<int16_t> grid(kRows * kColumns);
  for (size_t i = 0; i < grid.size(); ++i) grid[i] = static_cast<int16_t>(i * 7919);
  const auto trace = [&](bool at_once, int writes_allowed) {
    frame::ResetRuntime();
    std::filesystem::remove("raster.bil");
    Open(9, 3, 2, "raster.bil");
    io::WriteBinary(2, 1, "!");
    os::FailFileCalls(os::FileCall::kWrite, writes_allowed, ENOSPC);
    std::string result;
    try {
      for (int row = 0; row < kRows; ++row) {
        if (at_once) io::WriteBinaryElements(2, 2, kColumns, &grid[row], kRows * 2);
        for (int column = 0; column < kColumns && !at_once; ++column)
          io::WriteBinary(2, 2, &grid[column * kRows + row]);
      }
      io::CloseChannel(2);
      result = Get("raster.bil");
    } catch (const core::RuntimeError& error) {
      core::Errors().processing = false;
      const io::ChannelSlot* slot = ChannelSlotOf(2);  // gone when the close failed
      result = std::to_string(error.code) + " at " + std::to_string(error.location) + ", " +
               (slot ? std::to_string(slot->control->position) : "closed");
    }
    os::FailFileCalls(os::FileCall::kWrite, -1, 0);
    return result + ", " + std::to_string(os::FileCallCount(os::FileCall::kWrite)) + " writes";
  };
  for (int writes_allowed : {-1, 0, 1}) {
    EXPECT_EQ(trace(true, writes_allowed), trace(false, writes_allowed)) << writes_allowed;
  }
}

}  // namespace
}  // namespace tolvex::testing
