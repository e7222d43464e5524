// OpenChannel and closing against real files: the checks in their order,
// the modes' creation rules, names, slots, the end-of-file mark and append.
#include "runtime/io/open_channel.h"

#include <sys/stat.h>

#include <cerrno>

#include "runtime/io/write_binary.h"
#include "runtime/os/memory.h"
#include "tests/io/file_test_support.h"

namespace tolvex::testing {
namespace {

using namespace tolvex::core;
using namespace tolvex::frame;

class OpenChannelTest : public FileTest {};

TEST_F(OpenChannelTest, ArgumentChecksInOrder) {
  struct Case {
    uint16_t mode, share, channel;
    uint32_t has_length;
    int32_t length;
    int16_t code;
    uint32_t location;
  };
  const Case cases[] = {
      {1, 3, 0, 0, 0, kErrBadChannelNumber, kLocOpenChannel},
      {1, 3, 256, 0, 0, kErrBadChannelNumber, kLocOpenChannel},
      {12, 3, 3, 0, 0, kErrBadFileMode, kLocOpenModeRange},
      {0, 1, 3, 0, 0, kErrBadFileMode, kLocOpenMode0Share},
      {1, 2, 3, 0, 0, kErrBadFileMode, kLocOpenMode1Share},
      {2, 3, 3, 0, 0, kErrBadFileMode, kLocOpenSeqShare},
      {11, 2, 3, 0, 0, kErrBadFileMode, kLocOpenSeqShare},
      {1, 3, 3, 1, 128, kErrBadFileMode, kLocOpenLengthMode},
      {5, 3, 3, 1, 0, kErrIllegalArgument, kLocOpenLengthRange},
      {5, 3, 3, 1, 2049, kErrIllegalArgument, kLocOpenLengthRange},
      // The channel is checked before the mode.
      {12, 3, 0, 0, 0, kErrBadChannelNumber, kLocOpenChannel},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(Raises([&] { Open(c.mode, c.share, c.channel, "x.dat", c.has_length, c.length); },
                       c.code, c.location))
        << "mode " << c.mode << " share " << c.share << " channel " << c.channel;
    EXPECT_EQ(text::StackDepth(), 0);
  }
  EXPECT_FALSE(Exists("x.dat"));
}

TEST_F(OpenChannelTest, NameLengthAndAlreadyOpen) {
  EXPECT_TRUE(Raises([&] { Open(2, 0, 1, std::string(261, 'n')); }, kErrBadFileName,
                     kLocOpenNameLength));
  // 260 bytes pass the first check; the full path then cannot fit.
  EXPECT_TRUE(Raises([&] { Open(2, 0, 1, std::string(260, 'n')); }, kErrBadFileName,
                     kLocOpenFailed));
  Put("a.txt", "first");
  Open(1, 3, 1, "a.txt");
  EXPECT_TRUE(Raises([&] { Open(1, 3, 1, "b.txt"); }, kErrChannelAlreadyOpen, kLocOpenAlreadyOpen));
  EXPECT_EQ(ControlOf(1).length, 5u);  // the first file stays open
}

TEST_F(OpenChannelTest, FailuresOfTheOpen) {
  Put("exists.bil", "keep me");
  struct stat before;
  ASSERT_EQ(::stat("exists.bil", &before), 0);
  struct Case {
    uint16_t mode;
    std::string name;
    int16_t code;
  };
  const Case cases[] = {
      {1, "missing.xml", kErrFileNotFound},
      {1, "nodir/x.xml", kErrFileNotFound},
      {2, "exists.bil", kErrFileExists},
      {9, "exists.bil", kErrFileExists},
      {1, "", kErrBadFileName},
      {1, "DATA?.XML", kErrBadFileName},
      {2, "a*b", kErrBadFileName},
      {1, "26:X.DAT", kErrIllegalArgument},
      {1, "AB:X.DAT", kErrIllegalArgument},
      {1, ":X.DAT", kErrIllegalArgument},
      {4, "DATA.DAT(12", kErrIllegalArgument},
      {4, "DATA.DAT(0)", kErrIllegalArgument},
      {4, "DATA.DAT(abc)", kErrIllegalArgument},
      {1, "COM1:(9600)", kErrNotSupported},  // no serial ports here
      {1, "LPT1:", kErrNotSupported},
      {2, "KYBD:", kErrBadFileMode},
      {1, ".", kErrAccessDenied},  // a directory is not a file
      {1, "\x81", kErrBadFileName},  // a lone lead byte has no UTF-8 form
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(Raises([&] { Open(c.mode, 0, 4, c.name); }, c.code, kLocOpenFailed)) << c.name;
    EXPECT_EQ(io::LookupChannel(4), -1) << c.name;
    EXPECT_EQ(io::FindFreeFileSlot(), io::kFirstFileSlot) << c.name;
  }
  struct stat after;
  ASSERT_EQ(::stat("exists.bil", &after), 0);
  EXPECT_EQ(Get("exists.bil"), "keep me");
  EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
  EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
}

TEST_F(OpenChannelTest, ModesCreateKeepOrEmpty) {
  Put("keep.dat", "abc");
  Put("empty.dat", "abc");
  Open(10, 0, 1, "keep.dat");
  Open(11, 0, 2, "empty.dat");
  Open(6, 0, 3, "new.dat");
  EXPECT_EQ(ControlOf(1).length, 3u);
  EXPECT_EQ(ControlOf(2).length, 0u);
  EXPECT_EQ(ControlOf(3).open_mode, 6);
  EXPECT_EQ(ControlOf(3).record_length, io::kDefaultRecordLength);
  EXPECT_EQ(ChannelSlotOf(1)->kind, io::kBinaryReadWrite);
  EXPECT_EQ(ChannelSlotOf(2)->kind, io::kSequentialOutput);
  io::CloseChannel(0);
  EXPECT_EQ(Get("keep.dat"), "abc");
  EXPECT_EQ(Get("empty.dat"), "\x1a");
  EXPECT_TRUE(Exists("new.dat"));
  // Mode 0 is mode 6.
  Open(0, 0, 1, "zero.dat");
  EXPECT_EQ(ControlOf(1).open_mode, 6);
}

TEST_F(OpenChannelTest, NameOptionsAndDrivePrefix) {
  Put("DATA.DAT", "");
  Open(4, 0, 1, "DATA.DAT(128)");
  EXPECT_EQ(ControlOf(1).record_length, 128);
  // Without the option rule the parenthesis is part of the name.
  EXPECT_TRUE(Raises([&] { Open(1, 0, 2, "DATA.DAT(128)"); }, kErrFileNotFound, kLocOpenFailed));
  Put("DATA.DAT(128)", "x");
  Open(1, 0, 2, "DATA.DAT(128)");
  // Drive numbers become letters; the rest is a plain name here.
  Open(2, 0, 3, "12:X.DAT");
  Open(2, 0, 4, "2:DATA");
  Open(2, 0, 5, "1a:Y");
  io::CloseChannel(0);
  EXPECT_TRUE(Exists("M:X.DAT"));
  EXPECT_TRUE(Exists("C:DATA"));
  EXPECT_TRUE(Exists("1a:Y"));
}

TEST_F(OpenChannelTest, NamesAreCodePage932AndPathsFull) {
  Put("\xe6\xa8\x99\xe9\xab\x98.xml", "elevation");  // 標高.xml in UTF-8
  Open(1, 3, 1, "\x95\x57\x8D\x82.xml");                // 標高.xml in code page 932
  EXPECT_EQ(ControlOf(1).length, 9u);
  std::string path = ChannelSlotOf(1)->path;
  EXPECT_EQ(path, directory_.string() + "/\x95\x57\x8D\x82.xml");
  // A full name is taken as it is.
  Open(2, 0, 2, directory_.string() + "/full.dat");
  EXPECT_EQ(std::string(ChannelSlotOf(2)->path), directory_.string() + "/full.dat");
}

// Input finds the one name that differs only in ASCII letter case; several
// such names, or a folder spelt otherwise, stay not found; outputs keep the
// name as given.
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
  for (const char* name : {"two.xml", "DIR/in.xml", "tile.xm"}) {
    EXPECT_TRUE(Raises([&] { Open(1, 0, 3, name); }, kErrFileNotFound, kLocOpenFailed)) << name;
  }
  Put("TILE.BIL", "x");
  Open(9, 0, 3, "tile.bil");
  EXPECT_EQ(Get("TILE.BIL"), "x");
  EXPECT_TRUE(Exists("tile.bil"));
}

TEST_F(OpenChannelTest, LongCurrentDirectoryFailsCleanly) {
  std::string deep = std::string(120, 'd');
  std::filesystem::create_directories(deep + "/" + deep);
  std::filesystem::current_path(deep + "/" + deep);
  EXPECT_TRUE(Raises([&] { Open(2, 0, 1, "tile.hdr"); }, kErrBadFileName, kLocOpenFailed));
  EXPECT_FALSE(Exists("tile.hdr"));
}

TEST_F(OpenChannelTest, EndOfFileMarkAndAppend) {
  Open(2, 0, 1, "empty.hdr");
  io::CloseChannel(1);
  EXPECT_EQ(Get("empty.hdr"), "\x1a");  // one byte: the mark alone
  Open(9, 0, 1, "empty.bil");
  io::CloseChannel(1);
  EXPECT_EQ(Get("empty.bil"), "");

  struct Case {
    std::string before;
    uint32_t length;
  };
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

TEST_F(OpenChannelTest, SlotsAndClosing) {
  Put("in.txt", "x");
  Open(1, 0, 1, "in.txt");
  Open(9, 0, 2, "out.bil");
  Open(1, 0, 3, "in.txt");
  EXPECT_EQ(io::LookupChannel(1), 15);
  EXPECT_EQ(io::LookupChannel(2), 16);
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
  const uint32_t all[] = {0};
  io::CloseChannels(0, all);
  io::CloseChannels(0, all);  // nothing open: no error
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
  io::BindSlot(269, io::SlotAt(15));
  io::BindSlot(270, io::SlotAt(15));
  EXPECT_TRUE(Raises([&] { Open(9, 0, 255, "g"); }, kErrTooManyFiles, kLocOpenFailed));
  io::BindSlot(269, nullptr);
  io::BindSlot(270, nullptr);
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

TEST_F(OpenChannelTest, SystemRefusalsAreMapped) {
  struct Case {
    os::FileCall call;
    int error;
    int16_t code;
  };
  const Case cases[] = {
      {os::FileCall::kOpen, EACCES, kErrAccessDenied},
      {os::FileCall::kOpen, EROFS, kErrWriteProtected},
      {os::FileCall::kSize, EIO, kErrBadFormat},
      {os::FileCall::kDirectory, ENOENT, kErrFileNotFound},
  };
  for (const Case& c : cases) {
    os::FailFileCalls(c.call, 0, c.error);
    EXPECT_TRUE(Raises([&] { Open(10, 0, 1, "r.dat"); }, c.code, kLocOpenFailed));
    os::FailFileCalls(c.call, -1, 0);
    EXPECT_EQ(io::LookupChannel(1), -1);
  }
}

}  // namespace
}  // namespace tolvex::testing
