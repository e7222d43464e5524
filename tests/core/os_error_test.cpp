// MapOsError's table by meaning, and that it reads the seam's last error.
#include "runtime/core/os_error.h"

#include <cerrno>

#include "runtime/core/error_codes.h"
#include "runtime/os/file_system.h"
#include "tests/support/runtime_test.h"

namespace tolvex::core {
namespace {

using OsErrorTest = testing::RuntimeTest;

TEST_F(OsErrorTest, ErrorNumbersByMeaning) {
  const struct Case {
    int number;
    int16_t code;
  } cases[] = {
      {ENOENT, kErrFileNotFound},      {ENOTDIR, kErrFileNotFound}, {EEXIST, kErrFileExists},
      {EACCES, kErrAccessDenied},      {EPERM, kErrAccessDenied},   {EAGAIN, kErrAccessDenied},
      {EISDIR, kErrAccessDenied},      {ENOSPC, kErrDiskFull},      {EFBIG, kErrDiskFull},
      {EDQUOT, kErrDiskFull},          {EMFILE, kErrTooManyFiles},  {ENFILE, kErrTooManyFiles},
      {ENOMEM, kErrOutOfMemory},       {EROFS, kErrWriteProtected}, {EINVAL, kErrIllegalArgument},
      {ENAMETOOLONG, kErrBadFileName}, {EIO, kErrBadFormat},        {ENXIO, kErrDriveNotReady},
      {ESPIPE, kErrNotSupported},      {0, kErrSystemUnknown},      {EBADF, kErrSystemUnknown},
      {99999, kErrSystemUnknown},
  };
  for (const Case& c : cases) EXPECT_EQ(CodeForOsError(c.number), c.code) << c.number;
}

TEST_F(OsErrorTest, MapsTheLastRefusal) {
  EXPECT_EQ(MapOsError(), kErrSystemUnknown);  // nothing refused yet
  (void)os::OpenFile("/nonexistent-dir/x", os::FileAccess::kRead, os::FileCreation::kOpenExisting);
  EXPECT_EQ(MapOsError(), kErrFileNotFound);
  os::FailFileCalls(os::FileCall::kOpen, 1, EROFS);  // the second open fails
  os::FileHandle first = os::OpenFile("/dev/null", os::FileAccess::kRead,
                                      os::FileCreation::kOpenExisting);
  EXPECT_NE(first, os::kNoFile);
  EXPECT_EQ(os::OpenFile("/dev/null", os::FileAccess::kRead, os::FileCreation::kOpenExisting),
            os::kNoFile);
  EXPECT_EQ(MapOsError(), kErrWriteProtected);
  EXPECT_TRUE(os::CloseFile(first));
}

}  // namespace
}  // namespace tolvex::core
