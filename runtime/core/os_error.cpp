// MapOsError's table (see os_error.h). Linux errno values are placed on the
// rows of the runtime's code list by what they mean to a user: a missing
// file or directory, an existing file, a refusal, a full disk, and so on.
#include "runtime/core/os_error.h"

#include <cerrno>

#include "runtime/core/error_codes.h"
#include "runtime/core/error_record.h"
#include "runtime/os/file_system.h"

namespace tolvex::core {
namespace {

struct OsErrorRow {
  int number;
  int16_t code;
};

// Searched from the top; the first equal number wins.
constexpr OsErrorRow kOsErrors[] = {
    {ENOENT, core::kErrFileNotFound},        // no such file
    {ENOTDIR, core::kErrFileNotFound},       // a directory of the path is missing
    {EEXIST, core::kErrFileExists},          // create-new on an existing name
    {EACCES, core::kErrAccessDenied},        // no permission
    {EPERM, core::kErrAccessDenied},
    {EISDIR, core::kErrAccessDenied},        // a directory opened as a file
    {ETXTBSY, core::kErrAccessDenied},       // in use by a running program
    {EBUSY, core::kErrAccessDenied},
    {EAGAIN, core::kErrAccessDenied},        // locked by another program
    {EDEADLK, core::kErrAccessDenied},
    {ENOLCK, core::kErrAccessDenied},
    {ENOSPC, core::kErrDiskFull},            // disk full
    {EDQUOT, core::kErrDiskFull},            // quota exhausted
    {EFBIG, core::kErrDiskFull},             // file too large
    {EOVERFLOW, core::kErrDiskFull},         // file too large for its offsets
    {EMFILE, core::kErrTooManyFiles},        // too many open files
    {ENFILE, core::kErrTooManyFiles},
    {ENOMEM, core::kErrOutOfMemory},
    {EROFS, core::kErrWriteProtected},       // read-only file system
    {ENAMETOOLONG, core::kErrBadFileName},   // name too long
    {EILSEQ, core::kErrBadFileName},         // name the file system cannot hold
    {ELOOP, core::kErrBadFileName},          // name that cannot be resolved
    {EINVAL, core::kErrIllegalArgument},     // invalid parameter
    {EIO, core::kErrBadFormat},              // the medium failed
    {ENXIO, core::kErrDriveNotReady},        // device not there
    {ENODEV, core::kErrDriveNotReady},
    {ENOMEDIUM, core::kErrDriveNotReady},
    {EXDEV, core::kErrDriveNotReady},        // not the same device
    {ESPIPE, core::kErrNotSupported},        // a pipe cannot be positioned
    {EOPNOTSUPP, core::kErrNotSupported},
};

}  // namespace

int16_t CodeForOsError(int error_number) {
  for (const OsErrorRow& row : kOsErrors)
    if (row.number == error_number) return row.code;
  return core::kErrSystemUnknown;
}

int16_t MapOsError() {
  int number = os::LastOsError();
  RecordApiError(static_cast<uint32_t>(number));
  return CodeForOsError(number);
}

}  // namespace tolvex::core
