// The file seam: the only place where the runtime's files meet POSIX. Paths
// arrive here already in the file system's encoding (UTF-8); EINTR and short
// reads and writes are absorbed here; every failure keeps its errno.
#pragma once
#include <cstdint>
#include <string>

namespace tolvex::os {

using FileHandle = int;
constexpr FileHandle kNoFile = -1;

// The runtime keeps lengths and positions in 32 bits, so no file it handles
// may grow beyond this.
constexpr uint64_t kLargestFile = 0xFFFFFFFFu;

enum class FileAccess : uint8_t { kRead, kWrite, kReadWrite };

enum class FileCreation : uint8_t {
  kOpenExisting,  // missing file fails (ENOENT)
  kCreateNew,     // existing file fails (EEXIST); atomic, never touches it
  kOpenAlways,    // opened, or created empty; contents kept
  kCreateAlways,  // opened and emptied, or created
};

// Opens a regular file; directories are refused with EISDIR, as a system
// with a file-only open call would refuse them. kNoFile on failure. An
// existing file opened for reading whose exact name is missing is found
// regardless of ASCII letter case, when exactly one name in its directory
// matches so ("tile.xml" opens "TILE.XML"); otherwise ENOENT as before.
FileHandle OpenFile(const char* path, FileAccess access, FileCreation creation);
// Closes the handle; false (errno kept) when the close reports a failure.
bool CloseFile(FileHandle handle);
// Removes the directory entry `path`; false (errno kept) on failure.
bool RemoveFile(const char* path);
// The file's size in bytes.
bool FileSize(FileHandle handle, uint64_t* size);
// Moves the file position to `offset` from the start.
bool SeekFile(FileHandle handle, uint64_t offset);
// Reads until `count` bytes are in or the file ends; *got is the number read
// (0 at the end of the file).
bool ReadFile(FileHandle handle, void* destination, uint32_t count, uint32_t* got);
// Writes all `count` bytes (short writes are continued). A failure may leave
// part of them written.
bool WriteFile(FileHandle handle, const void* source, uint32_t count);
// The current directory in the file system's encoding, without a trailing
// slash (except for the root itself).
bool CurrentDirectory(std::string* path);

// The errno of the most recent failure of this seam (0 before any).
int LastOsError();
// For checks made above the seam that stand for a system refusal: a write
// that would pass kLargestFile is refused as the system refuses a file that
// grows too large.
void RefuseFileTooLarge();

// ------------------------------------------------------------ test hooks
enum class FileCall : uint8_t { kAny, kOpen, kClose, kSize, kSeek, kRead, kWrite, kDirectory };

// Lets `successes` more calls of kind `which` through, then fails each one
// with `error_number` until called again with a negative count.
void FailFileCalls(FileCall which, int successes, int error_number);
// Number of calls of kind `which` that reached the system since the reset.
uint64_t FileCallCount(FileCall which);
// Clears the fault injection, the counters and the last error number.
void ResetFileSystem();

}  // namespace tolvex::os
