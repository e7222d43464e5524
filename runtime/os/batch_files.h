// The file seam of the command-line converter: every system call it makes on
// files, directories and the terminal. Unlike the runtime's file seam it
// keeps no state (each call returns its own errno), so any number of worker
// threads may use it at once. EINTR and short reads and writes are absorbed
// here.
#pragma once
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tolvex::os {

// An open descriptor that closes itself. Failed calls leave errno set.
class BatchFile {
 public:
  BatchFile() = default;
  explicit BatchFile(int fd) : fd_(fd) {}
  BatchFile(BatchFile&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  BatchFile& operator=(BatchFile&& other) noexcept;
  BatchFile(const BatchFile&) = delete;
  BatchFile& operator=(const BatchFile&) = delete;
  ~BatchFile();

  bool is_open() const { return fd_ >= 0; }
  int fd() const { return fd_; }

  // Reads until `capacity` bytes are in or the file ends: the count, 0 at
  // the end, -1 on failure (errno set).
  ssize_t Read(void* buffer, size_t capacity);
  // Moves the position; false on failure.
  bool Seek(int64_t offset, int whence, int64_t* position);
  // Writes every byte; false on failure.
  bool Write(const void* bytes, size_t length);
  // Closes now; false when the close reports a delayed write error.
  bool Close();

 private:
  int fd_ = -1;
};

// Opens an existing regular file for reading; a directory or device is
// refused (EISDIR, EINVAL). Not open on failure, errno set.
BatchFile OpenForReading(const std::string& path);
// The size of a regular file; false when it cannot be had.
bool SizeOfFile(const std::string& path, uint64_t* size);

// Creates a new, empty, uniquely named file beside `final_path` (same
// directory, so the rename that completes it stays on one file system):
// "<final_path>.XXXXXX.part". *temporary receives its path.
BatchFile CreateTemporary(const std::string& final_path, std::string* temporary);
// Gives a complete temporary file its final name. Without `replace` an
// existing file at final_path is never touched: false with errno EEXIST.
bool CommitFile(const std::string& temporary, const std::string& final_path, bool replace);
// Removes a file; false when it could not be removed (missing counts as done).
bool RemoveFile(const std::string& path);
// True when something (file, directory, link) stands at path.
bool PathExists(const std::string& path);

// What a path names once symbolic links are followed.
enum class PathKind : uint8_t { kFile, kDirectory, kOther };
struct PathInfo {
  PathKind kind = PathKind::kOther;
  uint64_t device = 0, inode = 0;  // identity: a directory met twice is one
  uint64_t size = 0;               // bytes of a regular file
};
// Describes what stands at path; false (errno set, ENOENT for a dangling
// link) when nothing can be described.
bool DescribePath(const std::string& path, PathInfo* info);
// The names in a directory, without "." and "..", in no particular order;
// false (errno set) when it cannot be read.
bool ListDirectory(const std::string& path, std::vector<std::string>* names);
// Creates a directory and its missing parents; true when it exists afterwards.
bool MakeDirectories(const std::string& path);
// Writes text to standard error / output, whole (a failure is ignored: there
// is nowhere left to report it).
void WriteToStderr(std::string_view text);
void WriteToStdout(std::string_view text);
// errno as text, thread-safe.
std::string ErrorText(int error_number);
// The terminal's width in columns, or 0 when the descriptor is no terminal.
int TerminalColumns(int fd);

// Makes SIGINT, SIGTERM and SIGHUP only note their number, so the workers can
// stop at their next check, remove what they had not finished and end the
// run with 128 + the signal number. A second signal ends the process at once
// (its temporaries carry a ".part" suffix and never a final name).
void CatchStopSignals();
// The number of the first stop signal caught, 0 while none arrived.
int StopSignal();

// ------------------------------------------------------------ test hook
// Lets `successes` more BatchFile::Write calls through, then fails every one
// with `error_number` (ENOSPC: a full disk) until called with a negative
// count. Shared by all threads.
void FailBatchWrites(int successes, int error_number);

}  // namespace tolvex::os
