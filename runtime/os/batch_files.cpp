// The command-line converter's file seam over POSIX (see batch_files.h).
#include "runtime/os/batch_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <memory>
#include <vector>

#include "runtime/os/descriptor_io.h"

namespace tolvex::os {
namespace {

// The first stop signal; the handler only stores it (async-signal-safe).
std::atomic<int> g_stop_signal{0};

void NoteStopSignal(int signal_number) {
  int none = 0;
  if (!g_stop_signal.compare_exchange_strong(none, signal_number)) {
    // Asked twice: stop now, as the default action would.
    ::signal(signal_number, SIG_DFL);
    ::raise(signal_number);
  }
}

// The write fault of the test hook: a countdown shared by every thread.
std::atomic<int> g_writes_left{-1};
std::atomic<int> g_write_error{0};

bool WriteRefused() {
  int left = g_writes_left.load(std::memory_order_relaxed);
  while (left >= 0) {
    if (left == 0) {
      errno = g_write_error.load(std::memory_order_relaxed);
      return true;
    }
    if (g_writes_left.compare_exchange_weak(left, left - 1, std::memory_order_relaxed))
      return false;
  }
  return false;
}

}  // namespace

BatchFile& BatchFile::operator=(BatchFile&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

BatchFile::~BatchFile() {
  if (fd_ >= 0) ::close(fd_);
}

ssize_t BatchFile::Read(void* buffer, size_t capacity) {
  char* into = static_cast<char*>(buffer);
  size_t got = 0;
  // A short read is not the end: keep reading until the buffer is full or
  // the file ends, so callers see 0 only at the real end.
  while (got < capacity) {
    const ssize_t n = ::read(fd_, into + got, capacity - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  return static_cast<ssize_t>(got);
}

bool BatchFile::Seek(int64_t offset, int whence, int64_t* position) {
  const off_t at = ::lseek(fd_, static_cast<off_t>(offset), whence);
  if (at < 0) return false;
  if (position != nullptr) *position = at;
  return true;
}

bool BatchFile::Write(const void* bytes, size_t length) {
  if (WriteRefused()) return false;
  return WriteAll(fd_, bytes, length);
}

bool BatchFile::Close() {
  const int fd = fd_;
  fd_ = -1;
  // Linux releases the descriptor even when close fails; never retry it.
  return fd < 0 || ::close(fd) == 0;
}

BatchFile OpenForReading(const std::string& path) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return BatchFile();
  BatchFile file(fd);
  struct stat info;
  if (::fstat(fd, &info) != 0) return BatchFile();
  if (!S_ISREG(info.st_mode)) {
    errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    return BatchFile();
  }
  // Opened without blocking (a FIFO would wait for a writer); regular files
  // read the same either way, but clear it all the same.
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return file;
}

bool SizeOfFile(const std::string& path, uint64_t* size) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  *size = static_cast<uint64_t>(info.st_size);
  return true;
}

BatchFile CreateTemporary(const std::string& final_path, std::string* temporary) {
  std::vector<char> pattern(final_path.begin(), final_path.end());
  const char suffix[] = ".XXXXXX.part";
  pattern.insert(pattern.end(), suffix, suffix + sizeof suffix);  // with the NUL
  const int fd = ::mkostemps(pattern.data(), 5, O_CLOEXEC);
  if (fd < 0) return BatchFile();
  // mkostemps creates 0600; outputs get the usual 0666 less the umask.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  *temporary = pattern.data();
  return BatchFile(fd);
}

bool CommitFile(const std::string& temporary, const std::string& final_path, bool replace) {
  if (replace) return ::rename(temporary.c_str(), final_path.c_str()) == 0;
  // renameat2 with RENAME_NOREPLACE checks and renames in one step: a file
  // that appeared at final_path meanwhile is refused, never replaced.
  if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, final_path.c_str(),
                  RENAME_NOREPLACE) == 0)
    return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without it: a hard link fails as well when the name exists.
  if (::link(temporary.c_str(), final_path.c_str()) != 0) return false;
  ::unlink(temporary.c_str());
  return true;
}

bool RemoveFile(const std::string& path) {
  return ::unlink(path.c_str()) == 0 || errno == ENOENT;
}

bool PathExists(const std::string& path) {
  struct stat info;
  return ::lstat(path.c_str(), &info) == 0;
}

bool DescribePath(const std::string& path, PathInfo* info) {
  struct stat status;
  if (::stat(path.c_str(), &status) != 0) return false;
  info->kind = S_ISREG(status.st_mode)   ? PathKind::kFile
               : S_ISDIR(status.st_mode) ? PathKind::kDirectory
                                         : PathKind::kOther;
  info->device = static_cast<uint64_t>(status.st_dev);
  info->inode = static_cast<uint64_t>(status.st_ino);
  info->size = static_cast<uint64_t>(status.st_size);
  return true;
}

bool ListDirectory(const std::string& path, std::vector<std::string>* names) {
  const std::unique_ptr<DIR, int (*)(DIR*)> directory(::opendir(path.c_str()), ::closedir);
  if (!directory) return false;
  names->clear();
  for (;;) {
    // readdir returns NULL both at the end and on failure; only errno tells.
    errno = 0;
    const struct dirent* entry = ::readdir(directory.get());
    if (entry == nullptr) return errno == 0;
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names->push_back(name);
  }
}

bool MakeDirectories(const std::string& path) {
  struct stat info;
  if (::stat(path.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) return true;
    errno = ENOTDIR;
    return false;
  }
  const size_t slash = path.find_last_of('/');
  if (slash != std::string::npos && slash > 0 && !MakeDirectories(path.substr(0, slash)))
    return false;
  return ::mkdir(path.c_str(), 0777) == 0 || errno == EEXIST;
}

void WriteToStderr(std::string_view text) { WriteAll(STDERR_FILENO, text.data(), text.size()); }

void WriteToStdout(std::string_view text) { WriteAll(STDOUT_FILENO, text.data(), text.size()); }


std::string ErrorText(int error_number) {
  char buffer[256];
  // The GNU strerror_r returns its text (possibly a static one).
  return ::strerror_r(error_number, buffer, sizeof buffer);
}

int TerminalColumns(int fd) {
  winsize size{};
  if (::ioctl(fd, TIOCGWINSZ, &size) != 0) return 0;
  return size.ws_col;
}

void CatchStopSignals() {
  struct sigaction action {};
  action.sa_handler = NoteStopSignal;
  sigemptyset(&action.sa_mask);
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal_number, &action, nullptr);
}

int StopSignal() { return g_stop_signal.load(std::memory_order_relaxed); }

void FailBatchWrites(int successes, int error_number) {
  g_write_error.store(error_number, std::memory_order_relaxed);
  g_writes_left.store(successes, std::memory_order_relaxed);
}

}  // namespace tolvex::os
