// The file seam over POSIX (see file_system.h).
#include "runtime/os/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <string>
#include <vector>

#include "runtime/os/descriptor_io.h"
#include "runtime/os/fault_countdown.h"

namespace tolvex::os {
namespace {

int g_last_error = 0;

struct Injection {
  FileCall which = FileCall::kAny;
  FaultCountdown countdown;
  int error_number = 0;
};
Injection g_injection;
uint64_t g_counts[8] = {};

// Counts the call; true when the test hook wants it to fail (errno set).
bool Refused(FileCall call) {
  ++g_counts[static_cast<int>(call)];
  ++g_counts[static_cast<int>(FileCall::kAny)];
  if (g_injection.which != FileCall::kAny && g_injection.which != call) return false;
  if (!g_injection.countdown.Refuse()) return false;
  g_last_error = g_injection.error_number;
  return true;
}

bool Failed() {
  g_last_error = errno;
  return false;
}

int OpenFlags(FileAccess access, FileCreation creation) {
  int flags = O_CLOEXEC;
  switch (access) {
    case FileAccess::kRead: flags |= O_RDONLY; break;
    case FileAccess::kWrite: flags |= O_WRONLY; break;
    case FileAccess::kReadWrite: flags |= O_RDWR; break;
  }
  switch (creation) {
    case FileCreation::kOpenExisting: break;
    // O_EXCL makes creation and the existence check one step: a file that
    // appears in between is still refused and never opened or truncated.
    case FileCreation::kCreateNew: flags |= O_CREAT | O_EXCL; break;
    case FileCreation::kOpenAlways: flags |= O_CREAT; break;
    case FileCreation::kCreateAlways: flags |= O_CREAT | O_TRUNC; break;
  }
  return flags;
}

int OpenRetrying(const char* path, int flags) {
  int fd;
  do {
    fd = ::open(path, flags, 0666);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameIgnoringAsciiCase(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b)
    if (FoldAscii(*a) != FoldAscii(*b)) return false;
  return *a == *b;
}

// The programs were written for a file system that ignores letter case, so
// "TILE.XML" answers to "tile.xml": the one entry of the path's directory
// whose name equals the last component but for ASCII letter case. False
// when there is none, or several (no way to choose among them).
bool FindIgnoringCase(const std::string& path, std::string* found) {
  const size_t slash = path.rfind('/');
  const std::string directory = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  DIR* listing = ::opendir(directory.c_str());
  if (listing == nullptr) return false;
  int matches = 0;
  while (const dirent* entry = ::readdir(listing)) {
    if (!SameIgnoringAsciiCase(entry->d_name, name.c_str())) continue;
    if (++matches == 1) *found = path.substr(0, slash + 1) + entry->d_name;
  }
  ::closedir(listing);
  return matches == 1;
}

}  // namespace

FileHandle OpenFile(const char* path, FileAccess access, FileCreation creation) {
  if (Refused(FileCall::kOpen)) return kNoFile;
  const int flags = OpenFlags(access, creation);
  int fd = OpenRetrying(path, flags);
  std::string other_case;
  if (fd < 0 && errno == ENOENT && access == FileAccess::kRead &&
      creation == FileCreation::kOpenExisting) {
    if (FindIgnoringCase(path, &other_case))
      fd = OpenRetrying(other_case.c_str(), flags);
    else
      errno = ENOENT;  // the search's own errno must not replace it
  }
  if (fd < 0) {
    Failed();
    return kNoFile;
  }
  struct stat info;
  int error = 0;
  if (::fstat(fd, &info) != 0)
    error = errno;
  else if (S_ISDIR(info.st_mode))
    error = EISDIR;
  if (error != 0) {
    ::close(fd);
    g_last_error = error;
    return kNoFile;
  }
  return fd;
}

bool CloseFile(FileHandle handle) {
  if (Refused(FileCall::kClose)) {
    ::close(handle);  // the handle is gone whatever the test says
    return false;
  }
  // After EINTR the descriptor is already released on Linux: no retry.
  if (::close(handle) != 0 && errno != EINTR) return Failed();
  return true;
}

bool RemoveFile(const char* path) {
  if (::unlink(path) != 0) return Failed();
  return true;
}

bool FileSize(FileHandle handle, uint64_t* size) {
  if (Refused(FileCall::kSize)) return false;
  off_t end = ::lseek(handle, 0, SEEK_END);
  if (end < 0) return Failed();
  *size = static_cast<uint64_t>(end);
  return true;
}

bool SeekFile(FileHandle handle, uint64_t offset) {
  if (Refused(FileCall::kSeek)) return false;
  if (::lseek(handle, static_cast<off_t>(offset), SEEK_SET) < 0) return Failed();
  return true;
}

bool ReadFile(FileHandle handle, void* destination, uint32_t count, uint32_t* got) {
  *got = 0;
  if (Refused(FileCall::kRead)) return false;
  auto* bytes = static_cast<unsigned char*>(destination);
  while (*got < count) {
    ssize_t n = ::read(handle, bytes + *got, count - *got);
    if (n < 0) {
      if (errno == EINTR) continue;
      return Failed();
    }
    if (n == 0) break;
    *got += static_cast<uint32_t>(n);
  }
  return true;
}

bool WriteFile(FileHandle handle, const void* source, uint32_t count) {
  if (Refused(FileCall::kWrite)) return false;
  if (!WriteAll(handle, source, count)) return Failed();
  return true;
}

bool CurrentDirectory(std::string* path) {
  if (Refused(FileCall::kDirectory)) return false;
  std::vector<char> buffer(PATH_MAX);
  for (;;) {
    if (::getcwd(buffer.data(), buffer.size()) != nullptr) break;
    if (errno != ERANGE) return Failed();
    buffer.resize(buffer.size() * 2);
  }
  path->assign(buffer.data());
  return true;
}

int LastOsError() { return g_last_error; }

void RefuseFileTooLarge() { g_last_error = EFBIG; }

void FailFileCalls(FileCall which, int successes, int error_number) {
  g_injection = Injection{which, FaultCountdown{successes}, error_number};
}

uint64_t FileCallCount(FileCall which) { return g_counts[static_cast<int>(which)]; }

void ResetFileSystem() {
  g_injection = Injection{};
  for (uint64_t& count : g_counts) count = 0;
  g_last_error = 0;
}

}  // namespace tolvex::os
