// SelectLineSource and ReadLine on real files: line ends, 0x1A, NUL, the limit, failures.
#include "runtime/io/line_reader.h"

#include <cerrno>

#include "runtime/os/memory.h"
#include "tests/io/file_test_support.h"

namespace tolvex::testing {
namespace {

using namespace tolvex::core;

class LineReaderTest : public FileTest {
 protected:
  // Reads every line of `bytes` until error 54 and returns them; the
  // read-ahead asks the system once per piece.
  std::vector<std::string> Lines(const std::string& bytes) {
    Put("lines.txt", bytes);
    Open(1, 3, 1, "lines.txt");
    const uint64_t reads_before = os::FileCallCount(os::FileCall::kRead);
    std::vector<std::string> lines;
    for (;;) {
      text::StringValue line;
      io::SelectLineSource(1);
      if (Raises([&] { io::ReadLine(&line); }, kErrInputPastEnd, kLocReadLine)) break;
      lines.push_back(text::Bytes(line));
      text::ReleaseText(line);
      if (lines.size() > 10) break;
    }
    EXPECT_EQ(ControlOf(1).position, ControlOf(1).length);
    EXPECT_LE(os::FileCallCount(os::FileCall::kRead) - reads_before,
              bytes.size() / io::kReadAheadBytes + 2);
    io::CloseChannel(1);
    return lines;
  }
};

TEST_F(LineReaderTest, LineEnds) {
  struct Case { std::string bytes; std::vector<std::string> lines; };
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
  EXPECT_EQ(Lines(longest + "\r\nnext"), (std::vector<std::string>{longest, "next"}));
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

}  // namespace
}  // namespace tolvex::testing
