// SelectLineSource and ReadLine on real files: line ends, the final 0x1A,
// NUL bytes, the 32,767-byte limit, and the errors of selecting and reading.
#include "runtime/io/line_reader.h"

#include <cerrno>

#include "runtime/os/memory.h"
#include "tests/io/file_test_support.h"

namespace tolvex::testing {
namespace {

using namespace tolvex::core;
using namespace tolvex::frame;

class LineReaderTest : public FileTest {
 protected:
  // Reads every line of `bytes` until error 54 and returns them.
  std::vector<std::string> Lines(const std::string& bytes) {
    Put("lines.txt", bytes);
    Open(1, 3, 1, "lines.txt");
    std::vector<std::string> lines;
    for (;;) {
      text::StringValue line;
      io::SelectLineSource(1);
      bool ended = Raises([&] { io::ReadLine(&line); }, kErrInputPastEnd, kLocReadLine);
      if (ended) break;
      lines.push_back(text::Bytes(line));
      if (lines.size() > 10) break;
    }
    EXPECT_EQ(ControlOf(1).position, ControlOf(1).length);
    io::CloseChannel(1);
    return lines;
  }
  using Lines_ = std::vector<std::string>;
};

TEST_F(LineReaderTest, LineEnds) {
  struct Case {
    std::string bytes;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"abc\r\ndef\rghi\njkl", {"abc", "def", std::string("ghi\njkl")}},
      {"last\r", {"last"}},
      {"last\r\n", {"last"}},
      {"a\r\rb", {"a", "", "b"}},
      {"\r\n", {""}},
      {"end\x1a", {"end"}},
      {"mid\x1a" "dle\r\n\x1a", {"mid\x1a" "dle", ""}},
      {std::string("n\0u\0l\0l", 7), {"null"}},
      {"\x95\x57\x8D\x82,12.34\r\n", {"\x95\x57\x8D\x82,12.34"}},
  };
  for (const Case& c : cases) EXPECT_EQ(Lines(c.bytes), c.lines) << c.bytes;
}

TEST_F(LineReaderTest, LongestLineAndLinesAcrossPieces) {
  const std::string longest(io::kLongestLine, 'x');
  EXPECT_EQ(Lines(longest + "\r\nnext"), (Lines_{longest, "next"}));
  // Lines crossing the 256-byte pieces and the 32,768-byte read-ahead.
  std::string many;
  std::vector<std::string> expected;
  for (int i = 0; i < 9; ++i) {
    expected.push_back(std::string(300 + i * 3000, static_cast<char>('a' + i)));
    many += expected.back() + "\r\n";
  }
  EXPECT_EQ(Lines(many), expected);

  Put("long.txt", longest + "x\r\n");
  Open(1, 3, 1, "long.txt");
  text::StringValue line;
  io::SelectLineSource(1);
  EXPECT_TRUE(Raises([&] { io::ReadLine(&line); }, kErrStringTooLong, kLocReadLine));
  EXPECT_EQ(ControlOf(1).position, 0u);
  EXPECT_EQ(line.kind, text::kStringVariable);  // made a variable, still empty
  EXPECT_EQ(line.length, 0u);
}

TEST_F(LineReaderTest, SelectErrors) {
  Put("in.txt", "x\r\n");
  Open(9, 0, 2, "out.bil");
  struct Case {
    int16_t channel;
    int16_t code;
    uint32_t location;
  };
  const Case cases[] = {
      {0, kErrBadChannelNumber, kLocLineSourceChannel},
      {-1, kErrBadChannelNumber, kLocLineSourceChannel},
      {256, kErrBadChannelNumber, kLocLineSourceChannel},
      {3, kErrChannelNotOpen, kLocLineSourceClosed},
  };
  for (const Case& c : cases)
    EXPECT_TRUE(Raises([&] { io::SelectLineSource(c.channel); }, c.code, c.location));
  Open(2, 0, 4, "SCRN:");
  EXPECT_TRUE(Raises([&] { io::SelectLineSource(4); }, kErrBadFileMode, kLocLineSourceKind));
  // A file that was not opened for input is refused by the read.
  io::SelectLineSource(2);
  text::StringValue line;
  EXPECT_TRUE(Raises([&] { io::ReadLine(&line); }, kErrBadFileMode, kLocReadLine));
}

TEST_F(LineReaderTest, NoMemoryAndReadFailure) {
  Put("in.txt", "abc\r\n");
  Open(1, 3, 1, "in.txt");
  text::StringValue line;
  io::SelectLineSource(1);
  os::FailAllocationsAfter(0);
  EXPECT_TRUE(Raises([&] { io::ReadLine(&line); }, kErrOutOfMemory, kLocReadLineBuffer));
  os::FailAllocationsAfter(-1);
  os::FailFileCalls(os::FileCall::kRead, 0, EIO);
  EXPECT_TRUE(Raises([&] { io::ReadLine(&line); }, kErrBadFormat, kLocReadLine));
  os::FailFileCalls(os::FileCall::kRead, -1, 0);
  io::ReadLine(&line);
  EXPECT_EQ(text::Bytes(line), "abc");
  EXPECT_EQ(text::StackDepth(), 0);
}

TEST_F(LineReaderTest, ReadAheadAsksTheSystemOncePerPiece) {
  std::string lines;
  for (int i = 0; i < 10000; ++i) lines += "line " + std::to_string(i) + "\r\n";
  Put("big.txt", lines);
  Open(1, 3, 1, "big.txt");
  const uint64_t reads_before = os::FileCallCount(os::FileCall::kRead);
  text::StringValue line;
  for (int i = 0; i < 10000; ++i) {
    io::SelectLineSource(1);
    io::ReadLine(&line);
  }
  EXPECT_EQ(text::Bytes(line), "line 9999");
  const uint64_t pieces = (lines.size() + io::kReadAheadBytes - 1) / io::kReadAheadBytes;
  EXPECT_LE(os::FileCallCount(os::FileCall::kRead) - reads_before, pieces + 1);
}

}  // namespace
}  // namespace tolvex::testing
