// OpenChannel and closing on real files: checks in order, modes, names, slots, append.
#include "runtime/io/open_channel.h"

#include <cerrno>

#include "runtime/os/memory.h"
#include "tests/io/file_test_support.h"

namespace tolvex::testing {
namespace {

using namespace tolvex::core;

using OpenChannelTest = FileTest;

TEST_F(OpenChannelTest, ArgumentChecksInOrder) {
  struct Case { uint16_t mode, share, channel; int32_t length; int16_t code; uint32_t location; };
  constexpr int32_t kNone = -1;  // no record length given
  const Case cases[] = {
      {1, 3, 0, kNone, kErrBadChannelNumber, kLocOpenChannel},
      {1, 3, 256, kNone, kErrBadChannelNumber, kLocOpenChannel},
      {12, 3, 0, kNone, kErrBadChannelNumber, kLocOpenChannel},  // the channel before the mode
      {12, 3, 3, kNone, kErrBadFileMode, kLocOpenModeRange},
      {0, 1, 3, kNone, kErrBadFileMode, kLocOpenMode0Share},
      {1, 2, 3, kNone, kErrBadFileMode, kLocOpenMode1Share},
      {2, 3, 3, kNone, kErrBadFileMode, kLocOpenSeqShare},
      {11, 2, 3, kNone, kErrBadFileMode, kLocOpenSeqShare},
      {1, 3, 3, 128, kErrBadFileMode, kLocOpenLengthMode},
      {5, 3, 3, 0, kErrIllegalArgument, kLocOpenLengthRange},
      {5, 3, 3, 2049, kErrIllegalArgument, kLocOpenLengthRange},
  };
  for (const Case& c : cases) {
    const auto open = [&] { Open(c.mode, c.share, c.channel, "x", c.length != kNone, c.length); };
    EXPECT_TRUE(Raises(open, c.code, c.location))
        << "mode " << c.mode << " share " << c.share << " channel " << c.channel;
    EXPECT_EQ(text::StackDepth(), 0);
  }
  EXPECT_FALSE(Exists("x"));
  Put("a.txt", "first");
  Open(1, 3, 1, "a.txt");
  EXPECT_TRUE(Raises([&] { Open(1, 3, 1, "b.txt"); }, kErrChannelAlreadyOpen, kLocOpenAlreadyOpen));
  EXPECT_EQ(ControlOf(1).length, 5u);  // the first file stays open
}

TEST_F(OpenChannelTest, FailuresOfTheOpen) {
  Put("exists.bil", "keep me");
  // A row with an error number has the system refuse its call with it.
  struct Case { uint16_t mode; std::string name; int16_t code; uint32_t location = kLocOpenFailed;
                os::FileCall call = os::FileCall::kOpen; int error = 0; };
  const Case cases[] = {
      {2, std::string(261, 'n'), kErrBadFileName, kLocOpenNameLength},
      {2, std::string(260, 'n'), kErrBadFileName},  // passes the first check, not the full path
      {1, "missing.xml", kErrFileNotFound},    {1, "nodir/x.xml", kErrFileNotFound},
      {2, "exists.bil", kErrFileExists},       {9, "exists.bil", kErrFileExists},
      {1, "", kErrBadFileName},                {1, "DATA?.XML", kErrBadFileName},
      {2, "a*b", kErrBadFileName},             {1, "26:X.DAT", kErrIllegalArgument},
      {1, "AB:X.DAT", kErrIllegalArgument},    {1, ":X.DAT", kErrIllegalArgument},
      {4, "DATA.DAT(12", kErrIllegalArgument}, {4, "DATA.DAT(0)", kErrIllegalArgument},
      {4, "DATA.DAT(abc)", kErrIllegalArgument}, {2, "KYBD:", kErrBadFileMode},
      {1, "COM1:(9600)", kErrNotSupported},    {1, "LPT1:", kErrNotSupported},  // no such ports
      {1, ".", kErrAccessDenied},    // a directory is not a file
      {1, "\x81", kErrBadFileName},  // a lone lead byte has no UTF-8 form
      {10, "r.dat", kErrAccessDenied, kLocOpenFailed, os::FileCall::kOpen, EACCES},
      {10, "r.dat", kErrWriteProtected, kLocOpenFailed, os::FileCall::kOpen, EROFS},
      {10, "r.dat", kErrBadFormat, kLocOpenFailed, os::FileCall::kSize, EIO},
      {10, "r.dat", kErrFileNotFound, kLocOpenFailed, os::FileCall::kDirectory, ENOENT},
  };
  for (const Case& c : cases) {
    if (c.error != 0) os::FailFileCalls(c.call, 0, c.error);
    EXPECT_TRUE(Raises([&] { Open(c.mode, 0, 4, c.name); }, c.code, c.location)) << c.name;
    os::FailFileCalls(c.call, -1, 0);
    EXPECT_EQ(io::LookupChannel(4), -1) << c.name;
    EXPECT_EQ(io::FindFreeFileSlot(), io::kFirstFileSlot) << c.name;
  }
  EXPECT_EQ(Get("exists.bil"), "keep me");
  // A current directory too long for the full path.
  const std::string deep = std::string(120, 'd') + "/" + std::string(120, 'd');
  std::filesystem::create_directories(deep);
  std::filesystem::current_path(deep);
  EXPECT_TRUE(Raises([&] { Open(2, 0, 1, "tile.hdr"); }, kErrBadFileName, kLocOpenFailed));
  EXPECT_FALSE(Exists("tile.hdr"));
}

TEST_F(OpenChannelTest, ModesCreateKeepOrEmpty) {
  Put("keep.dat", "abc");
  Put("empty.dat", "abc");
  Open(10, 0, 1, "keep.dat");
  Open(11, 0, 2, "empty.dat");
  Open(0, 0, 3, "new.dat");  // mode 0 is mode 6
  EXPECT_EQ(ControlOf(1).length, 3u);
  EXPECT_EQ(ControlOf(2).length, 0u);
  EXPECT_EQ(ControlOf(3).open_mode, 6);
  io::CloseChannel(0);
  EXPECT_EQ(Get("keep.dat"), "abc");
  EXPECT_EQ(Get("empty.dat"), "\x1a");  // the end-of-file mark alone
  // Append starts after the contents, without the mark at their end.
  struct Case { std::string before; uint32_t length; };
  const Case cases[] = {{"abc\x1a", 3}, {"abc", 3}, {"", 0}, {"\x1a", 0}, {"a\x1a\x1a", 2}};
  for (const Case& c : cases) {
    Put("log.txt", c.before);
    Open(3, 0, 1, "log.txt");
    EXPECT_EQ(ControlOf(1).length, c.length);
    EXPECT_EQ(ControlOf(1).position, c.length);
    io::CloseChannel(1);
    EXPECT_EQ(Get("log.txt"), c.before.substr(0, c.length) + "\x1a");
  }
}

TEST_F(OpenChannelTest, NameOptionsDrivesAndCodePage932) {
  Put("DATA.DAT", "");
  Open(4, 0, 1, "DATA.DAT(128)");
  EXPECT_EQ(ControlOf(1).record_length, 128);
  // Without the option rule the parenthesis is part of the name.
  EXPECT_TRUE(Raises([&] { Open(1, 0, 2, "DATA.DAT(128)"); }, kErrFileNotFound, kLocOpenFailed));
  // Drive numbers become letters; the rest is a plain name here.
  Open(2, 0, 3, "12:X.DAT");
  Open(2, 0, 4, "2:DATA");
  Open(2, 0, 5, "1a:Y");
  io::CloseChannel(0);
  EXPECT_TRUE(Exists("M:X.DAT") && Exists("C:DATA") && Exists("1a:Y"));

  Put("\xe6\xa8\x99\xe9\xab\x98.xml", "elevation");  // 標高.xml in UTF-8
  Open(1, 3, 1, "\x95\x57\x8D\x82.xml");                // 標高.xml in code page 932
  EXPECT_EQ(ControlOf(1).length, 9u);
  EXPECT_EQ(std::string(ChannelSlotOf(1)->path), directory_.string() + "/\x95\x57\x8D\x82.xml");
  Open(2, 0, 2, directory_.string() + "/full.dat");  // a full name is taken as it is
  EXPECT_EQ(std::string(ChannelSlotOf(2)->path), directory_.string() + "/full.dat");
}

// Input finds the one name that differs only in ASCII letter case; several such names, or a
// folder spelt otherwise, stay not found; outputs keep the name as given.
TEST_F(OpenChannelTest, InputNamesIgnoreLetterCase) {
  Put("TILE.XML", "upper");
  Put("Two.xml", "a");
  Put("TWO.xml", "b");
  std::filesystem::create_directory("dir");
  Put("dir/In.xml", "in");
  Open(1, 0, 1, "tile.xml");
  EXPECT_EQ(ControlOf(1).length, 5u);
  Open(1, 0, 2, "dir/IN.XML");
  EXPECT_EQ(ControlOf(2).length, 2u);
  for (const char* name : {"two.xml", "DIR/in.xml", "tile.xm"})
    EXPECT_TRUE(Raises([&] { Open(1, 0, 3, name); }, kErrFileNotFound, kLocOpenFailed)) << name;
  Put("TILE.BIL", "x");
  Open(9, 0, 3, "tile.bil");
  EXPECT_EQ(Get("TILE.BIL"), "x");
  EXPECT_TRUE(Exists("tile.bil"));
}

TEST_F(OpenChannelTest, SlotsAndClosing) {
  Put("in.txt", "x");
  Open(1, 0, 1, "in.txt");
  Open(9, 0, 2, "out.bil");
  Open(1, 0, 3, "in.txt");
  EXPECT_EQ(io::LookupChannel(3), 17);
  const uint32_t list[] = {2, 7};  // 7 was never opened: no error
  io::CloseChannels(2, list);
  EXPECT_EQ(io::LookupChannel(2), -1);
  Open(2, 0, 2, "out.hdr");
  EXPECT_EQ(io::LookupChannel(2), 16);  // the lowest free slot again
  const uint32_t bad[] = {1, 256, 3};
  EXPECT_TRUE(Raises([&] { io::CloseChannels(3, bad); }, kErrBadChannelNumber, kLocCloseChannels));
  EXPECT_EQ(io::LookupChannel(1), -1);  // closed before the bad number
  EXPECT_EQ(io::LookupChannel(3), 17);
  io::CloseChannels(0, nullptr);
  io::CloseChannels(0, nullptr);  // nothing open: no error
  for (int32_t channel = 1; channel <= 255; ++channel) EXPECT_EQ(io::LookupChannel(channel), -1);
  EXPECT_EQ(io::LookupChannel(0), io::kScreenSlot);
  // Devices bind their own slots, which a close leaves in place.
  Open(1, 0, 1, "kybd:");
  Open(2, 0, 2, "SCRN:");
  EXPECT_EQ(io::LookupChannel(1), io::kKeyboardSlot);
  EXPECT_EQ(io::LookupChannel(2), io::kScreenSlot);
  io::CloseChannel(0);
  EXPECT_STREQ(io::SlotAt(io::kKeyboardSlot)->path, "KYBD:");
}

TEST_F(OpenChannelTest, AllSlotsTakenAndNoMemory) {
  for (int channel = 1; channel <= 254; ++channel)
    Open(9, 0, static_cast<uint16_t>(channel), "f" + std::to_string(channel));
  // Two slots held without a channel leave none for channel 255.
  for (int32_t slot : {269, 270}) io::BindSlot(slot, io::SlotAt(15));
  EXPECT_TRUE(Raises([&] { Open(9, 0, 255, "g"); }, kErrTooManyFiles, kLocOpenFailed));
  for (int32_t slot : {269, 270}) io::BindSlot(slot, nullptr);
  EXPECT_FALSE(Exists("g"));
  io::CloseChannel(0);
  // Slot, control, record buffer, read-ahead buffer.
  for (int successes = 0; successes < 4; ++successes) {
    text::PushConstText(text::ConstText("rec.dat"));
    os::FailAllocationsAfter(successes);
    EXPECT_TRUE(Raises([&] { io::OpenChannel(5, 0, 1, 0, 0); }, kErrOutOfMemory, kLocOpenFailed))
        << successes;
    os::FailAllocationsAfter(-1);
    EXPECT_EQ(io::LookupChannel(1), -1);
    EXPECT_EQ(io::FindFreeFileSlot(), io::kFirstFileSlot);
  }
}

}  // namespace
}  // namespace tolvex::testing
