// WriteBinary and the buffered output path: bytes, order and length as of one write per
// call, few system writes, and failed hand-overs reported.
#include "runtime/io/write_binary.h"

#include <cerrno>
#include <vector>

#include "runtime/io/write_buffer.h"
#include "runtime/io/write_text.h"
#include "tests/io/file_test_support.h"

namespace tolvex::testing {
namespace {

using namespace tolvex::core;

using WriteBinaryTest = FileTest;

TEST_F(WriteBinaryTest, LittleEndianSamplesInFewSystemWrites) {
  Open(9, 3, 2, "raster.bil");
  const uint64_t writes_before = os::FileCallCount(os::FileCall::kWrite);
  const int16_t samples[] = {-9999, 1234, 0, -1, 32767};
  for (int16_t sample : samples) io::WriteBinary(2, 2, &sample);
  std::string expected("\xf1\xd8\xd2\x04\x00\x00\xff\xff\xff\x7f", 10);
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

// Pieces of every size and strings (count 0), in a read-write file.
TEST_F(WriteBinaryTest, OrderIsKeptAcrossPiecesAndStrings) {
  Open(10, 0, 1, "mixed.bin");
  const std::string large(io::kWriteBufferBytes + 5, 'L');
  text::StringValue abc, empty, never;  // never assigned: kind 0 is no string variable
  text::PushConstText(text::ConstText("abc"));
  text::AssignText(&abc);
  text::PushConstText(text::ConstText(""));
  text::AssignText(&empty);
  io::WriteBinary(1, 2, "ss");
  io::WriteBinary(1, 0, &abc);
  io::WriteBinary(1, static_cast<uint32_t>(large.size()), large.data());
  io::WriteBinary(1, 0, &empty);
  io::WriteBinary(1, 2, "ss");
  EXPECT_TRUE(Raises([&] { io::WriteBinary(1, 0, &never); }, kErrTypeMismatch,
                     kLocWriteBinaryString));
  // A channel opened later sees what was written before it opened.
  Open(8, 0, 2, "mixed.bin");
  EXPECT_EQ(ControlOf(2).length, large.size() + 7);
  io::CloseChannel(0);
  EXPECT_EQ(Get("mixed.bin"), "ssabc" + large + "ss");
}

TEST_F(WriteBinaryTest, FailuresOfTheSystem) {
  int16_t value = 7;
  Put("before.bin", "old");
  Open(10, 0, 4, "before.bin");
  Open(9, 0, 5, "done.bil");
  io::WriteBinary(5, 2, &value);
  io::CloseChannel(5);
  // A piece that fills the buffer hands the pending bytes over first.
  Open(9, 0, 1, "a.bin");
  io::WriteBinary(1, 2, &value);
  os::FailFileCalls(os::FileCall::kWrite, 0, EIO);
  const std::string large(io::kWriteBufferBytes, 'x');
  EXPECT_TRUE(Raises([&] { io::WriteBinary(1, static_cast<uint32_t>(large.size()), large.data()); },
                     kErrBadFormat, kLocWriteBinaryWrite));
  os::FailFileCalls(os::FileCall::kWrite, -1, 0);
  EXPECT_EQ(ControlOf(1).position, 2u);
  // Every file the run created is removed, the complete ones too, and only those.
  EXPECT_FALSE(Exists("done.bil") || Exists("a.bin"));
  EXPECT_EQ(Get("before.bin"), "old");

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

// WriteBinaryElements against one WriteBinary per element, rows of a column-major grid after
// an odd first byte: the same file, system writes, and failing hand-over at the same element.
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
    return result + ", " + std::to_string(os::FileCallCount(os::FileCall::kWrite)) + " writes";
  };
  for (int writes_allowed : {-1, 0, 1})
    EXPECT_EQ(trace(true, writes_allowed), trace(false, writes_allowed)) << writes_allowed;
}

}  // namespace
}  // namespace tolvex::testing
