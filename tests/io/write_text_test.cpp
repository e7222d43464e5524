// SelectOutputChannel, WriteText and FormatOutputText on files: terminators, zones, tabs,
// form feed, widths and failures.
#include "runtime/io/write_text.h"

#include <cerrno>

#include "runtime/os/memory.h"
#include "tests/io/file_test_support.h"

namespace tolvex::testing {
namespace {

using namespace tolvex::core;

class WriteTextTest : public FileTest {
 protected:
  static void Write(const std::string& text, int32_t terminator, int16_t channel = 1) {
    io::SelectOutputChannel(channel);
    text::PushConstText(text::ConstText(text));
    io::WriteText(terminator);
  }
  // Writes the pieces to an emptied sequential file and returns its bytes
  // without the end-of-file mark, and the column after the last piece.
  using Pieces = std::vector<std::pair<std::string, int32_t>>;
  std::string Written(const Pieces& pieces, uint16_t* column = nullptr, uint16_t width = 0) {
    Open(11, 0, 1, "out.txt");
    ControlOf(1).width = width;
    for (const auto& [text, terminator] : pieces) Write(text, terminator);
    if (column != nullptr) *column = ControlOf(1).column;
    io::CloseChannel(1);
    std::string bytes = Get("out.txt");
    EXPECT_EQ(bytes.back(), '\x1a');
    bytes.pop_back();
    return bytes;
  }
};

TEST_F(WriteTextTest, TerminatorsZonesAndColumns) {
  struct Case { Pieces pieces; std::string bytes; uint16_t column; };
  const Case cases[] = {
      {{{"nrows 750", 0}}, "nrows 750\r\n", 0},
      {{{"", 0}}, "\r\n", 0},
      {{{"", 2}}, "", 0},
      {{{"abc", 1}}, "abc" + std::string(11, ' '), 14},
      {{{std::string(14, 'x'), 1}}, std::string(28, 'x').replace(14, 14, 14, ' '), 28},
      {{{"AB\tC", 2}}, "AB\tC", 9},
      {{{"\x0c", 0}}, "\x0c\r\n", 0},
      {{{"\x0c", 1}}, "\x0c" + std::string(14, ' '), 14},
      {{{"ab", 2}, {"cd", 2}}, "abcd", 4},       // the column carries over
      {{{"a\rbc", 2}}, "a\rbc", 2},
      {{{"a\nbc", 2}}, "a\nbc", 3},              // a line feed keeps the column
      {{{std::string("n\0l", 3), 0}}, std::string("n\0l\r\n", 5), 0},
  };
  for (const Case& c : cases) {
    uint16_t column = 99;
    EXPECT_EQ(Written(c.pieces, &column), c.bytes) << c.pieces[0].first;
    EXPECT_EQ(column, c.column) << c.pieces[0].first;
  }
}

TEST_F(WriteTextTest, WidthBreaksLines) {
  struct Case { Pieces pieces; uint16_t width; std::string bytes; };
  const Case cases[] = {
      {{{"abcdefg", 2}}, 3, "abc\r\ndef\r\ng"},
      // An earlier write left the line open: once a break is due it is
      // ended at once, and the new text starts the next line.
      {{{"ab", 2}, {"cdef", 2}}, 3, "ab\r\ncde\r\nf"},
      {{{"ab", 2}, {"xyz", 2}}, 2, "ab\r\nxy\r\nz"},
      // A LF or CR in the text ends that line: later breaks go into the text.
      {{{"ab", 2}, {"\ncd", 2}, {"\refgh", 2}}, 3, "ab\nc\r\nd\refg\r\nh"},
      // A double-byte character is never split.
      {{{"a\x95\x57", 2}}, 2, "a\r\n\x95\x57"},
      {{{"a\x95\x57" "b", 2}}, 2, "a\r\n\x95\x57\r\nb"},  // the lead byte counts on its new line
      // The next zone would not fit the width: a line end instead.
      {{{"abc", 1}}, 20, "abc\r\n"},
      {{{"abc", 1}}, 28, "abc" + std::string(11, ' ')},
  };
  for (const Case& c : cases) EXPECT_EQ(Written(c.pieces, nullptr, c.width), c.bytes);
}

// Breaks and terminators may fill the work copy but not pass it (89).
TEST_F(WriteTextTest, TheWorkCopyBoundsTheFormattedText) {
  struct Case {
    std::string text;
    uint32_t room;  // bytes in front of the text
    uint16_t width;
    int32_t terminator;
    std::string formatted;  // empty: 89
  };
  const Case cases[] = {
      {"ab", 2, 1, 2, "a\r\nb"}, {"ab", 1, 1, 2, ""},  // a break may not overtake the text
      {"abc", 2, 0, 0, "abc\r\n"}, {"abc", 1, 0, 0, ""},
      {"abc", 11, 0, 1, "abc" + std::string(11, ' ')}, {"abc", 10, 0, 1, ""},
  };
  Open(2, 0, 1, "out.txt");
  for (const Case& c : cases) {
    ControlOf(1).width = c.width;
    ControlOf(1).column = 0;
    std::string bytes = std::string(c.room, '-') + c.text;
    const auto size = [](const std::string& s) { return static_cast<uint32_t>(s.size()); };
    io::OutputWork work{reinterpret_cast<uint8_t*>(bytes.data()), size(bytes), size(c.text), 0};
    const auto format = [&] { io::FormatOutputText(io::LookupChannel(1), &work, c.terminator); };
    if (c.formatted.empty())
      EXPECT_TRUE(Raises(format, kErrResources, kLocWriteTextFormat)) << c.text << c.room;
    else
      EXPECT_EQ((format(), bytes.substr(0, work.formatted_length)), c.formatted);
  }
}

TEST_F(WriteTextTest, Errors) {
  // A channel closed after it was selected: its slot cannot be reached.
  Open(2, 0, 4, "out.txt");
  io::SelectOutputChannel(4);
  io::CloseChannel(4);
  text::PushConstText(text::ConstText("late"));
  EXPECT_TRUE(Raises([&] { io::WriteText(0); }, kErrSystemUnknown, kLocWriteTextFormat));

  Open(2, 0, 4, "out2.txt");
  io::SelectOutputChannel(4);
  text::PushConstText(text::ConstText("no memory"));
  os::FailAllocationsAfter(0);
  EXPECT_TRUE(Raises([&] { io::WriteText(0); }, kErrResources, kLocWriteTextBuffer));
  os::FailAllocationsAfter(-1);
  EXPECT_EQ(text::StackDepth(), 0);
}

// Pending text, the end-of-file mark and the system's close can each lose data at a close:
// reported as write failures, the channel closed all the same and the file, which the run
// made, removed. An input file's close is no write.
TEST_F(WriteTextTest, FailuresOfTheSystem) {
  struct Case { os::FileCall call; int successes, error; int16_t code; uint32_t location; };
  const Case cases[] = {
      {os::FileCall::kWrite, 0, ENOSPC, kErrDiskFull, kLocWriteTextWrite},  // the text
      {os::FileCall::kWrite, 1, ENOSPC, kErrDiskFull, kLocCloseWrite},      // the mark
      {os::FileCall::kClose, 0, EIO, kErrBadFormat, kLocCloseWrite},
  };
  const uint32_t list[] = {1};
  for (const Case& c : cases) {
    Open(2, 0, 1, "out.hdr");
    Write("nrows 750", 0);
    os::FailFileCalls(c.call, c.successes, c.error);
    EXPECT_TRUE(Raises([&] { io::CloseChannels(1, list); }, c.code, c.location));
    os::FailFileCalls(c.call, -1, 0);
    EXPECT_EQ(io::LookupChannel(1), -1);
    EXPECT_FALSE(Exists("out.hdr"));
  }
  Put("in.txt", "x");
  Open(1, 0, 1, "in.txt");
  os::FailFileCalls(os::FileCall::kClose, 0, EIO);
  io::CloseChannels(1, list);
  os::FailFileCalls(os::FileCall::kClose, -1, 0);
  // A text larger than the buffer goes to the system at once.
  Open(2, 0, 1, "big.txt");
  os::FailFileCalls(os::FileCall::kWrite, 0, EDQUOT);
  EXPECT_TRUE(Raises([&] { Write(std::string(io::kWriteBufferBytes, 'b'), 2); }, kErrDiskFull,
                     kLocWriteTextWrite));
  EXPECT_EQ(ControlOf(1).position, 0u);
  EXPECT_FALSE(Exists("big.txt"));
}

}  // namespace
}  // namespace tolvex::testing
