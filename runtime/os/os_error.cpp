// MapOsError's table (see os_error.h). Linux errno values are placed on the
// rows of the runtime's code list by what they mean to a user: a missing
// file or directory, an existing file, a refusal, a full disk, and so on.
#include "runtime/os/os_error.h"

#include <cerrno>

#include "runtime/frame/error_codes.h"
#include "runtime/frame/error_record.h"
#include "runtime/os/file_system.h"

namespace tolvex::os {
namespace {

struct OsErrorRow {
  int number;
  int16_t code;
};

// Searched from the top; the first equal number wins.
constexpr OsErrorRow kOsErrors[] = {
    {ENOENT, frame::kErrFileNotFound},        // no such file
    {ENOTDIR, frame::kErrFileNotFound},       // a directory of the path is missing
    {EEXIST, frame::kErrFileExists},          // create-new on an existing name
    {EACCES, frame::kErrAccessDenied},        // no permission
    {EPERM, frame::kErrAccessDenied},
    {EISDIR, frame::kErrAccessDenied},        // a directory opened as a file
    {ETXTBSY, frame::kErrAccessDenied},       // in use by a running program
    {EBUSY, frame::kErrAccessDenied},
    {EAGAIN, frame::kErrAccessDenied},        // locked by another program
    {EDEADLK, frame::kErrAccessDenied},
    {ENOLCK, frame::kErrAccessDenied},
    {ENOSPC, frame::kErrDiskFull},            // disk full
    {EDQUOT, frame::kErrDiskFull},            // quota exhausted
    {EFBIG, frame::kErrDiskFull},             // file too large
    {EOVERFLOW, frame::kErrDiskFull},         // file too large for its offsets
    {EMFILE, frame::kErrTooManyFiles},        // too many open files
    {ENFILE, frame::kErrTooManyFiles},
    {ENOMEM, frame::kErrOutOfMemory},
    {EROFS, frame::kErrWriteProtected},       // read-only file system
    {ENAMETOOLONG, frame::kErrBadFileName},   // name too long
    {EILSEQ, frame::kErrBadFileName},         // name the file system cannot hold
    {ELOOP, frame::kErrBadFileName},          // name that cannot be resolved
    {EINVAL, frame::kErrIllegalArgument},     // invalid parameter
    {EIO, frame::kErrBadFormat},              // the medium failed
    {ENXIO, frame::kErrDriveNotReady},        // device not there
    {ENODEV, frame::kErrDriveNotReady},
    {ENOMEDIUM, frame::kErrDriveNotReady},
    {EXDEV, frame::kErrDriveNotReady},        // not the same device
    {ESPIPE, frame::kErrNotSupported},        // a pipe cannot be positioned
    {EOPNOTSUPP, frame::kErrNotSupported},
};

}  // namespace

int16_t CodeForOsError(int error_number) {
  for (const OsErrorRow& row : kOsErrors)
    if (row.number == error_number) return row.code;
  return frame::kErrSystemUnknown;
}

int16_t MapOsError() {
  int number = LastOsError();
  frame::RecordApiError(static_cast<uint32_t>(number));
  return CodeForOsError(number);
}

}  // namespace tolvex::os
