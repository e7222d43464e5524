// Path trust: the owner and write bits of a library file, of the directory
// it lives in and of the one a link to it sits in. (The hive's own check is
// tried end to end with the message-text lookup.)
#include "runtime/os/path_trust.h"

#include <sys/stat.h>
#include <unistd.h>

#include "tests/support/hive_fixture.h"

namespace tolvex::testing {
namespace {

using PathTrustTest = HiveTest;

// The file is real/L, asked for through the link named/L.
TEST_F(PathTrustTest, TheFileAndBothDirectoriesMustBeClosedToEveryoneElse) {
  constexpr uid_t kKeep = static_cast<uid_t>(-1), kStranger = 4321;
  struct Row {
    mode_t file, real, named;
    uid_t file_owner, real_owner;
    bool trusted;
  } rows[] = {
      {0755, 0755, 0755, kKeep, kKeep, true},      {0775, 0755, 0755, kKeep, kKeep, false},
      {0757, 0755, 0755, kKeep, kKeep, false},     {0755, 0775, 0755, kKeep, kKeep, false},
      {0755, 0757, 0755, kKeep, kKeep, false},     {0755, 0755, 0777, kKeep, kKeep, false},
      {0755, 0755, 0755, kStranger, kKeep, false}, {0755, 0755, 0755, kKeep, kStranger, false},
  };
  const std::string real = dir_ + "/real", named = dir_ + "/named", link = named + "/L";
  std::filesystem::create_directories(real);
  std::filesystem::create_directories(named);
  ASSERT_EQ(mkfifo((real + "/L").c_str(), 0644), 0);
  std::filesystem::create_symlink("../real/L", link);
  EXPECT_FALSE(os::IsTrustedPath(link.c_str()));  // loading a FIFO would block
  for (const Row& row : rows) {
    // Only root may give a file away; elsewhere those rows prove nothing.
    if ((row.file_owner != kKeep || row.real_owner != kKeep) && geteuid() != 0) continue;
    std::filesystem::remove_all(dir_);
    WriteFile(real + "/L", "library");
    std::filesystem::create_directories(named);
    std::filesystem::create_symlink("../real/L", link);
    ASSERT_EQ(chown((real + "/L").c_str(), row.file_owner, kKeep), 0);
    ASSERT_EQ(chown(real.c_str(), row.real_owner, kKeep), 0);
    ASSERT_EQ(chmod((real + "/L").c_str(), row.file), 0);
    ASSERT_EQ(chmod(real.c_str(), row.real), 0);
    ASSERT_EQ(chmod(named.c_str(), row.named), 0);
    EXPECT_EQ(os::IsTrustedPath(link.c_str()), row.trusted)
        << std::oct << row.file << " " << row.real << " " << row.named << std::dec << " "
        << row.file_owner << " " << row.real_owner;
  }
}

}  // namespace
}  // namespace tolvex::testing
