// The registry store: the hive text form, replacement in place and under
// injected faults, odd files at the hive's path, the size cap, hives out of
// reach, and two processes writing one hive at once.
#include "runtime/os/registry_store.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include "tests/support/hive_fixture.h"

namespace tolvex::testing {
namespace {

using os::RegistryRoot;
using os::RegistryValue;

constexpr char kKey[] = "Software\\Veltrane\\Ostrel V6.3\\RUNTIME\\ERROR";
constexpr RegistryRoot kUser = RegistryRoot::kCurrentUser;

RegistryValue Text(const char* name, std::string_view text) { return {name, false, text, 0}; }
RegistryValue Number(const char* name, uint32_t number) { return {name, true, {}, number}; }

std::string QueryText(RegistryRoot root, const char* key, const char* name) {
  std::string text;
  if (!os::QueryRegistryString(root, key, name, 1000, &text)) return "<none>";
  return text;
}

using RegistryStoreTest = HiveTest;

TEST_F(RegistryStoreTest, WritesRegeditTextAndReadsItBack) {
  std::string text;
  EXPECT_FALSE(os::QueryRegistryString(kUser, kKey, "MODL", 100, &text));  // no hive
  // "独立型" converts, so the file shows it as UTF-8; a lone lead byte does
  // not, so it goes as raw bytes with its NUL.
  const RegistryValue values[] = {Text("MODL", "Tolvex"), Number("LINE", 24),
                                  Text("MODE", "\x93\xC6\x97\xA7\x8C\x5E"),
                                  Text("PATH", "C:\\dir\\\"q\""), Text("ODD", "\x81")};
  ASSERT_TRUE(os::SetRegistryValues(kUser, kKey, values));
  EXPECT_EQ(ReadFile(user_hive_),
            "REGEDIT4\n\n"
            "[HKEY_CURRENT_USER\\Software\\Veltrane\\Ostrel V6.3\\RUNTIME\\ERROR]\n"
            "\"MODL\"=\"Tolvex\"\n"
            "\"LINE\"=dword:00000018\n"
            "\"MODE\"=\"\xE7\x8B\xAC\xE7\xAB\x8B\xE5\x9E\x8B\"\n"
            "\"PATH\"=\"C:\\\\dir\\\\\\\"q\\\"\"\n"
            "\"ODD\"=hex(1):81,00\n\n");
  for (const RegistryValue& value : values)  // a number is no string
    EXPECT_EQ(QueryText(kUser, kKey, value.name), value.is_number ? "<none>" : value.text)
        << value.name;
  uint32_t number = 0;
  EXPECT_TRUE(os::QueryRegistryNumber(kUser, kKey, "line", &number));  // any case
  EXPECT_EQ(number, 24u);
  EXPECT_FALSE(std::filesystem::exists(user_hive_ + ".tmp." + std::to_string(getpid())));
  // What is missing or of the wrong kind, or longer than asked for.
  EXPECT_FALSE(os::QueryRegistryString(kUser, "Software\\Else", "MODL", 100, &text));
  EXPECT_FALSE(os::QueryRegistryString(kUser, kKey, "NONE", 100, &text));
  EXPECT_FALSE(os::QueryRegistryNumber(kUser, kKey, "MODL", &number));
  EXPECT_FALSE(os::QueryRegistryString(kUser, kKey, "MODL", 5, &text));  // 6 bytes
  EXPECT_TRUE(os::QueryRegistryString(kUser, kKey, "MODL", 6, &text));
  EXPECT_FALSE(os::QueryRegistryString(RegistryRoot::kLocalMachine, kKey, "MODL", 100, &text));
}

// A value is replaced where it stands (a later copy of its line goes), a
// new one appended to its section; the rest is kept.
TEST_F(RegistryStoreTest, ReplacesInPlaceAppendsNewAndKeepsTheRest) {
  WriteFile(user_hive_,
            "REGEDIT4\r\n\r\n"
            "; kept\r\n"
            "[HKEY_CURRENT_USER\\Other]\r\n\"MODL\"=\"other\"\r\n\r\n"
            "[hkey_current_user\\software\\veltrane\\ostrel v6.3\\runtime\\error]\r\n"
            "\"APIERR\"=dword:00000002\r\n\"modl\"=\"old\"\r\n\"MODL\"=\"older\"\r\n\r\n"
            "[HKEY_CURRENT_USER\\Later]\r\n@=\"default\"\r\n");
  const RegistryValue values[] = {Text("MODL", "Tolvex"), Number("CODE", 63)};
  ASSERT_TRUE(os::SetRegistryValues(kUser, kKey, values));
  EXPECT_EQ(ReadFile(user_hive_),
            "REGEDIT4\n\n"
            "; kept\n"
            "[HKEY_CURRENT_USER\\Other]\n\"MODL\"=\"other\"\n\n"
            "[hkey_current_user\\software\\veltrane\\ostrel v6.3\\runtime\\error]\n"
            "\"APIERR\"=dword:00000002\n\"MODL\"=\"Tolvex\"\n\"CODE\"=dword:0000003f\n\n"
            "[HKEY_CURRENT_USER\\Later]\n@=\"default\"\n\n");
  EXPECT_EQ(QueryText(kUser, "Other", "MODL"), "other");
}

// A failed step keeps the old hive whole and leaves no temporary file.
TEST_F(RegistryStoreTest, AFailedStepLeavesTheOldHiveWholeAndNoTemporaryFile) {
  const RegistryValue first[] = {Text("MODL", "first")}, second[] = {Text("MODL", "second")};
  ASSERT_TRUE(os::SetRegistryValues(kUser, kKey, first));
  const std::string before = ReadFile(user_hive_);
  int steps = 0;
  for (;; ++steps) {
    ASSERT_LT(steps, 50);
    os::FailHiveStepsAfter(steps);
    bool ok = os::SetRegistryValues(kUser, kKey, second);
    os::FailHiveStepsAfter(-1);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir_))
      EXPECT_EQ(entry.path().string().find(".tmp."), std::string::npos) << entry.path();
    if (ok) break;
    EXPECT_EQ(ReadFile(user_hive_), before) << "after failing step " << steps;
  }
  EXPECT_GE(steps, 6);  // directories, lock, read, write, sync, rename
  EXPECT_EQ(QueryText(kUser, kKey, "MODL"), "second");
}

// Only a regular file is replaced; a link is followed and its target
// replaced. A FIFO or a device is left alone (and nothing made beside it),
// and neither the write nor a lookup waits on a FIFO (an alarm would end the
// tests). A link left under the temporary name is not written through. The
// device is a null device made here, so a faulty writer can only replace it.
TEST_F(RegistryStoreTest, OddFilesAtTheHivePathAreLeftAloneAndLinksFollowed) {
  using Type = std::filesystem::file_type;
  enum Make { kFifo, kDevice, kLinkToDevice, kLinkToHive, kLinkAtTemporaryName };
  const struct Row {
    Make make;
    bool written;
    Type left;
  } rows[] = {{kFifo, false, Type::fifo},           {kDevice, false, Type::character},
              {kLinkToDevice, false, Type::symlink}, {kLinkToHive, true, Type::symlink},
              {kLinkAtTemporaryName, true, Type::regular}};
  const std::string target = dir_ + "/real/user.reg", device = dir_ + "/real/null";
  const RegistryValue values[] = {Number("LINE", 1)};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.make);
    std::filesystem::remove_all(dir_);
    WriteFile(target, "REGEDIT4\n");
    std::filesystem::create_directories(dir_ + "/user");
    const char* device_at = (row.make == kDevice ? user_hive_ : device).c_str();
    if ((row.make == kDevice || row.make == kLinkToDevice) &&
        mknod(device_at, S_IFCHR | 0666, makedev(1, 3)) != 0)
      continue;  // only root may make a device
    if (row.make == kFifo) mkfifo(user_hive_.c_str(), 0644);
    if (row.make == kLinkToDevice) symlink(device.c_str(), user_hive_.c_str());
    if (row.make == kLinkToHive) symlink("../real/user.reg", user_hive_.c_str());
    if (row.make == kLinkAtTemporaryName)
      symlink(target.c_str(), (user_hive_ + ".tmp." + std::to_string(getpid())).c_str());
    uint32_t number = 0;
    alarm(5);
    EXPECT_EQ(os::SetRegistryValues(kUser, kKey, values), row.written);
    EXPECT_EQ(os::QueryRegistryNumber(kUser, kKey, "LINE", &number), row.written);
    alarm(0);
    EXPECT_EQ(std::filesystem::symlink_status(user_hive_).type(), row.left);
    EXPECT_EQ(ReadFile(target) != "REGEDIT4\n", row.make == kLinkToHive);
    EXPECT_NE(std::filesystem::symlink_status(device).type(), Type::regular);
    EXPECT_FALSE(std::filesystem::exists(device + ".lock"));
  }
}

// A hive over 4 MiB (a sparse file here) is neither read nor rewritten, and
// one line on stderr says so; one of exactly 4 MiB still is.
TEST_F(RegistryStoreTest, AHiveOver4MiBIsLeftAloneWithOneLineOnStderr) {
  constexpr off_t kLimit = 4 * 1024 * 1024;
  for (off_t size : {kLimit, kLimit + 1}) {
    SCOPED_TRACE(size);
    const bool within = size == kLimit;
    WriteFile(user_hive_, std::string("REGEDIT4\n\n[HKEY_CURRENT_USER\\") + kKey +
                              "]\n\"A\"=dword:00000001\n");
    ASSERT_EQ(truncate(user_hive_.c_str(), size), 0);
    uint32_t number = 0;
    EXPECT_EQ(os::QueryRegistryNumber(kUser, kKey, "A", &number), within);
    ::testing::internal::CaptureStderr();
    const RegistryValue values[] = {Number("B", 2)};
    EXPECT_EQ(os::SetRegistryValues(kUser, kKey, values), within);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::filesystem::file_size(user_hive_) == static_cast<uintmax_t>(size), !within);
    EXPECT_EQ(said.find(user_hive_) != std::string::npos, !within) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), within ? 0 : 1) << said;
  }
}

// A hive under a plain file cannot be written, nor one with no place at all.
TEST_F(RegistryStoreTest, UnreachableHivesFailQuietly) {
  const std::string under_file = dir_ + "/plainfile/user.reg";
  WriteFile(dir_ + "/plainfile", "x");
  setenv(os::kUserHiveVariable, under_file.c_str(), 1);
  const RegistryValue values[] = {Number("LINE", 1)};
  EXPECT_FALSE(os::SetRegistryValues(kUser, kKey, values));
  EXPECT_FALSE(os::SetRegistryValuesFromSignal(under_file.c_str(), kUser, kKey, values, 1));
  EXPECT_EQ(ReadFile(dir_ + "/plainfile"), "x");
  unsetenv(os::kUserHiveVariable);
  unsetenv("XDG_CONFIG_HOME");
  const std::string home = getenv("HOME") ? getenv("HOME") : "";
  unsetenv("HOME");
  EXPECT_EQ(os::HivePath(kUser), "");
  EXPECT_FALSE(os::SetRegistryValues(kUser, kKey, values));
  if (!home.empty()) setenv("HOME", home.c_str(), 1);
}

// Without its variable the machine hive is looked for beside the running
// program, then one level up: a test program in build/tests finds the build
// tree's own hive.
TEST_F(RegistryStoreTest, MachineHiveIsFoundFromTheProgramsDirectory) {
  unsetenv(os::kMachineHiveVariable);
  EXPECT_EQ(std::filesystem::weakly_canonical(os::HivePath(RegistryRoot::kLocalMachine)),
            std::filesystem::weakly_canonical(TOLVEX_BINARY_DIR "/etc/tolvex/machine.reg"));
}

// Two processes hammer the same hive; each write must see the other's
// values (no lost update) and the file must stay a valid hive throughout.
TEST_F(RegistryStoreTest, TwoProcessesWritingAtOnceLeaveAValidHive) {
  constexpr uint32_t kWrites = 100;
  pid_t children[2];
  for (int child = 0; child < 2; ++child) {
    children[child] = fork();
    ASSERT_GE(children[child], 0);
    if (children[child] == 0) {
      const char* own = child == 0 ? "A" : "B";
      bool ok = true;
      for (uint32_t i = 1; i <= kWrites; ++i) {
        const RegistryValue values[] = {Number(own, i), Text("LAST", own)};
        ok = os::SetRegistryValues(kUser, kKey, values) && ok;
      }
      _exit(ok ? 0 : 1);
    }
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  // One section holding A and B at their last value (100), in either order,
  // and LAST: seven lines in all.
  const std::string text = ReadFile(user_hive_);
  EXPECT_EQ(text.rfind("REGEDIT4\n\n[", 0), 0u) << text;
  EXPECT_EQ(text.find('['), text.rfind('[')) << text;
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 7) << text;
  for (const char* line : {"\n\"A\"=dword:00000064\n", "\n\"B\"=dword:00000064\n", "\n\"LAST\"=\""})
    EXPECT_NE(text.find(line), std::string::npos) << line << " in:\n" << text;
}

}  // namespace
}  // namespace tolvex::testing
