// ReadAt and its in-place form over the read-ahead buffer: the bytes and
// counts they give across the edge of the cache and the end of the file,
// and the system reads they cost.
#include "runtime/io/read_at.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "runtime/os/file_system.h"
#include "tests/io/file_test_support.h"

namespace tolvex::testing {
namespace {

using namespace tolvex::core;
using namespace tolvex::frame;

class ReadAtTest : public FileTest {
 protected:
  // A file of `size` bytes whose every byte tells its own offset.
  std::string OpenPattern(uint32_t size) {
    std::string bytes(size, '\0');
    for (uint32_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + i / 251);
    Put("pattern.bin", bytes);
    Open(1, 3, 1, "pattern.bin");
    return bytes;
  }
};

TEST_F(ReadAtTest, BytesAndCountsInPlaceAndCopied) {
  constexpr uint32_t kSize = 2 * io::kReadAheadBytes + 1000;
  struct Case {
    uint32_t position;
    uint32_t count;
  };
  // In order, as the readers ask: inside the cache, running past its edge
  // (the tail moves to the front), a seek back, the end of the file.
  const Case cases[] = {
      {0, 256},           {100, 256},           {32700, 256},  {32900, 256},
      {10, 256},          {kSize - 100, 256},   {kSize - 1, 256}, {kSize, 256},
      {kSize + 50, 256},  {65000, 1000},
  };
  for (bool in_place : {false, true}) {
    const std::string file = OpenPattern(kSize);
    io::ChannelSlot& slot = *ChannelSlotOf(1);
    for (const Case& c : cases) {
      const uint32_t expected =
          c.position >= kSize ? 0 : std::min(c.count, kSize - c.position);
      std::string got(c.count, '\0');
      uint32_t count = 0;
      if (in_place) {
        const uint8_t* bytes = io::CachedBytesAt(slot, c.position, c.count, &count, 0x5002);
        if (count > 0) std::memcpy(got.data(), bytes, count);
      } else {
        count = io::ReadAt(slot, c.position, reinterpret_cast<uint8_t*>(got.data()), c.count,
                           0x5002);
      }
      ASSERT_EQ(count, expected) << c.position << (in_place ? " in place" : " copied");
      EXPECT_EQ(got.substr(0, count), file.substr(std::min(c.position, kSize), count))
          << c.position << (in_place ? " in place" : " copied");
    }
    io::CloseChannel(1);
  }
  // The header's example: two bytes left of a ten-byte file.
  OpenPattern(10);
  uint8_t buffer[256];
  EXPECT_EQ(io::ReadAt(*ChannelSlotOf(1), 8, buffer, 256, 0x5002), 2u);
}

TEST_F(ReadAtTest, ASequentialWalkReadsEachPieceOnce) {
  constexpr uint32_t kSize = 5 * io::kReadAheadBytes + 123;
  const std::string file = OpenPattern(kSize);
  io::ChannelSlot& slot = *ChannelSlotOf(1);
  const uint64_t reads_before = os::FileCallCount(os::FileCall::kRead);
  std::string walked;
  for (uint32_t position = 0; position < kSize;) {
    uint32_t count = 0;
    const uint8_t* bytes = io::CachedBytesAt(slot, position, 256, &count, 0x5002);
    ASSERT_GT(count, 0u) << position;
    walked.append(reinterpret_cast<const char*>(bytes), count);
    position += count;
  }
  EXPECT_EQ(walked, file);
  // Six pieces; the last request, past the end, asks the system no more.
  EXPECT_EQ(os::FileCallCount(os::FileCall::kRead) - reads_before, 6u);
}

TEST_F(ReadAtTest, ASystemReadFailureRaisesAtTheCallersLocation) {
  OpenPattern(1000);
  io::ChannelSlot& slot = *ChannelSlotOf(1);
  os::FailFileCalls(os::FileCall::kRead, 0, EIO);
  uint32_t count = 7;
  EXPECT_TRUE(Raises([&] { io::CachedBytesAt(slot, 0, 256, &count, kLocReadLine); },
                     kErrBadFormat, kLocReadLine));
  os::FailFileCalls(os::FileCall::kRead, -1, 0);
  EXPECT_EQ(count, 0u);
  uint8_t buffer[256];
  EXPECT_EQ(io::ReadAt(slot, 0, buffer, 256, kLocReadLine), 256u);  // nothing stale kept
}

}  // namespace
}  // namespace tolvex::testing
