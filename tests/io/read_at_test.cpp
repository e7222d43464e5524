// ReadAt and CachedBytesAt: bytes and counts across the cache's edge and the file's end,
// and the system reads they cost.
#include "runtime/io/read_at.h"

#include <algorithm>
#include <cstring>

#include "tests/io/file_test_support.h"

namespace tolvex::testing {
namespace {

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

// ReadAt copies what CachedBytesAt gives, so it shows that as well.
TEST_F(ReadAtTest, BytesAndCounts) {
  constexpr uint32_t kSize = 2 * io::kReadAheadBytes + 1000;
  const std::string file = OpenPattern(kSize);
  struct Case { uint32_t position, count; };
  // In order, as the readers ask: inside the cache, running past its edge
  // (the tail moves to the front), a seek back, the end of the file.
  const Case cases[] = {{0, 256},    {100, 256},         {32700, 256},     {32900, 256},
                        {10, 256},   {kSize - 100, 256}, {kSize - 1, 256}, {kSize, 256},
                        {kSize + 50, 256}, {65000, 1000}};
  for (const Case& c : cases) {
    std::string got(c.count, '\0');
    const uint32_t count = io::ReadAt(*ChannelSlotOf(1), c.position,
                                      reinterpret_cast<uint8_t*>(got.data()), c.count, 0x5002);
    ASSERT_EQ(count, c.position >= kSize ? 0 : std::min(c.count, kSize - c.position)) << c.position;
    EXPECT_EQ(got.substr(0, count), file.substr(std::min(c.position, kSize), count)) << c.position;
  }
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

}  // namespace
}  // namespace tolvex::testing
