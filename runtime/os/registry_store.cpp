// The registry store (see registry_store.h): hive paths and the locked
// read-modify-rename cycle that keeps a hive whole; the text inside is
// hive_text's.
#include "runtime/os/registry_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "runtime/os/code_page.h"
#include "runtime/os/descriptor_io.h"
#include "runtime/os/fault_countdown.h"
#include "runtime/os/hive_text.h"

namespace tolvex::os {
namespace {

// Everything down to the banner of the ordinary path runs inside the fatal
// signal handler too: no allocation, no locale, no stdio.

constexpr std::size_t kPathMax = 4096;
// A crashing process or a slow disk may hold the lock a moment; five seconds
// of polite retries is far longer than any honest write takes.
constexpr int kLockAttempts = 500;
constexpr long kLockPauseNanoseconds = 10'000'000;
// A hive holds a few dozen short lines. One far larger is none of ours, and
// loading it whole would let a file decide how much memory the error report
// needs.
constexpr std::size_t kLargestHive = 4 * 1024 * 1024;
// Links followed at the end of a hive's path before giving up, as the
// system itself gives up (ELOOP).
constexpr int kMaxLinks = 40;

FaultCountdown g_hive_steps;
bool StepFails() { return g_hive_steps.Refuse(); }

// ------------------------------------------------------ files and locks

bool CopyPath(char* target, std::string_view a, std::string_view b, std::string_view c) {
  if (a.size() + b.size() + c.size() + 1 > kPathMax) return false;
  char* p = target;
  for (std::string_view part : {a, b, c}) {
    std::memcpy(p, part.data(), part.size());
    p += part.size();
  }
  *p = '\0';
  return true;
}

struct HivePaths {
  char hive[kPathMax];
  char lock[kPathMax];
  char temp[kPathMax];
};

// Follows the symbolic links at the end of `path` into `resolved`, so the
// rewrite renames over the file a link names instead of turning the link
// into a plain file (and leaving its target stale). The walk ends at a name
// that is not a link, or that does not exist yet. False for a loop or a name
// too long.
bool FollowLinks(const char* path, char* resolved) {
  std::size_t length = std::strlen(path);
  if (length >= kPathMax) return false;
  std::memcpy(resolved, path, length + 1);
  char target[kPathMax];
  for (int links = 0; links < kMaxLinks; ++links) {
    struct stat info;
    if (lstat(resolved, &info) != 0 || !S_ISLNK(info.st_mode)) return true;
    ssize_t n = readlink(resolved, target, sizeof target);
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof target) return false;
    // A relative target is read from the directory holding the link.
    std::size_t keep = 0;
    const char* slash = std::strrchr(resolved, '/');
    if (target[0] != '/' && slash != nullptr) keep = static_cast<std::size_t>(slash - resolved) + 1;
    if (keep + static_cast<std::size_t>(n) >= kPathMax) return false;
    std::memcpy(resolved + keep, target, static_cast<std::size_t>(n));
    resolved[keep + static_cast<std::size_t>(n)] = '\0';
  }
  return false;
}

// The lock and the temporary file sit beside the resolved hive: the rename
// must stay on one file system, and writers reaching one hive by different
// names must share one lock.
bool BuildPaths(const char* hive_path, const char* temp_tag, HivePaths* paths) {
  if (hive_path[0] == '\0' || !FollowLinks(hive_path, paths->hive)) return false;
  std::string_view hive(paths->hive);
  if (hive.size() + 40 > kPathMax) return false;
  char suffix[48];
  HiveSink tag{suffix, sizeof suffix - 1};
  tag.Put(temp_tag);
  PutDecimal(tag, static_cast<unsigned long>(getpid()));
  suffix[tag.length] = '\0';
  return CopyPath(paths->lock, hive, ".lock", "") && CopyPath(paths->temp, hive, suffix, "");
}

// mkdir -p of the hive's directory; an existing directory is fine.
bool MakeParentDirectories(const char* hive) {
  char path[kPathMax];
  std::size_t length = std::strlen(hive);
  std::memcpy(path, hive, length + 1);
  for (std::size_t i = 1; i < length; ++i) {
    if (path[i] != '/') continue;
    path[i] = '\0';
    if (StepFails()) return false;
    if (mkdir(path, 0755) != 0 && errno != EEXIST) return false;
    path[i] = '/';
  }
  return true;
}

int OpenRetrying(const char* path, int flags, mode_t mode) {
  if (StepFails()) {
    errno = EIO;
    return -1;
  }
  int fd;
  do fd = open(path, flags | O_CLOEXEC, mode);
  while (fd < 0 && errno == EINTR);
  return fd;
}

// A write that tests can make fail, like every other step of a hive write.
bool WriteHiveBytes(int fd, const char* data, std::size_t length) {
  return !StepFails() && WriteAll(fd, data, length);
}

// Reads the whole file into buffer; false when it does not fit or fails.
bool ReadAll(int fd, char* buffer, std::size_t capacity, std::size_t* length) {
  if (StepFails()) return false;
  std::size_t total = 0;
  for (;;) {
    if (total == capacity) {
      char probe;
      ssize_t n = read(fd, &probe, 1);
      if (n < 0 && errno == EINTR) continue;
      if (n != 0) return false;
      break;
    }
    ssize_t n = read(fd, buffer + total, capacity - total);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    total += static_cast<std::size_t>(n);
  }
  *length = total;
  return true;
}

// One locked write of a hive: Begin takes the lock and opens the old file,
// Commit puts the new text in its place; leaving the scope lets go.
struct HiveTransaction {
  const HivePaths* paths = nullptr;
  int lock_fd = -1;
  int old_fd = -1;
  std::size_t old_size = 0;
  bool too_large = false;

  HiveTransaction() = default;
  HiveTransaction(const HiveTransaction&) = delete;
  HiveTransaction& operator=(const HiveTransaction&) = delete;
  ~HiveTransaction() {
    if (old_fd >= 0) close(old_fd);
    if (lock_fd >= 0) close(lock_fd);  // closing drops the lock
  }

  // Only a regular file of at most `largest` bytes is read and replaced:
  // whatever else stands at the path (a device, a FIFO, a directory) is
  // left alone. The open does not block, so a FIFO cannot hold the lock
  // forever; the path no longer names a link (FollowLinks), and one put
  // there since is refused rather than followed.
  bool Begin(const HivePaths& hive_paths, std::size_t largest) {
    paths = &hive_paths;
    // Refused before anything is made beside it: no lock file next to a
    // device. The check on the open file below closes the race.
    struct stat info;
    if (lstat(paths->hive, &info) == 0 && !S_ISREG(info.st_mode)) return false;
    if (!MakeParentDirectories(paths->hive)) return false;
    lock_fd = OpenRetrying(paths->lock, O_RDWR | O_CREAT, 0644);
    if (lock_fd < 0 || StepFails()) return false;
    struct flock lock = {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    bool locked = false;
    for (int attempt = 0; attempt < kLockAttempts && !locked; ++attempt) {
      if (fcntl(lock_fd, F_SETLK, &lock) == 0) {
        locked = true;
      } else if (errno == EACCES || errno == EAGAIN || errno == EINTR) {
        struct timespec pause = {0, kLockPauseNanoseconds};
        nanosleep(&pause, nullptr);
      } else {
        return false;
      }
    }
    if (!locked) return false;
    old_fd = OpenRetrying(paths->hive, O_RDONLY | O_NONBLOCK | O_NOFOLLOW, 0);
    if (old_fd < 0) return errno == ENOENT;  // no hive yet: start from nothing
    if (fstat(old_fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0) return false;
    too_large = static_cast<uint64_t>(info.st_size) > largest;
    old_size = static_cast<std::size_t>(info.st_size);
    return !too_large;
  }

  bool ReadOld(char* buffer, std::size_t capacity, std::size_t* length) {
    *length = 0;
    return old_fd < 0 || ReadAll(old_fd, buffer, capacity, length);
  }

  // The temporary name is made afresh (O_EXCL): a link or device someone
  // left under it must not receive the text or be renamed over the hive.
  bool Commit(const char* data, std::size_t length) {
    unlink(paths->temp);
    int fd = OpenRetrying(paths->temp, O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd < 0) return false;
    bool ok = WriteHiveBytes(fd, data, length) && !StepFails() && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && !StepFails() && rename(paths->temp, paths->hive) == 0;
    if (!ok) unlink(paths->temp);
    return ok;
  }
};

// Static room for the signal path: the handler may not allocate.
constexpr std::size_t kSignalHiveBytes = 64 * 1024;
constexpr std::size_t kSignalValueBytes = 4 * 1024;
char g_signal_old[kSignalHiveBytes];
char g_signal_new[kSignalHiveBytes + kSignalValueBytes + kPathMax];
char g_signal_values[kSignalValueBytes];
char g_signal_header[kPathMax];
HivePaths g_signal_paths;

// ------------------------------------------- ordinary (allocating) path

// Strings go to the file as UTF-8 between quotes when they convert and
// show, else as their raw bytes.
void Encode(const RegistryValue& value, std::string* data) {
  std::string utf8;
  char room[16];
  HiveSink out{room, sizeof room};
  if (value.is_number) {
    PutNumberData(out, value.number);
    data->assign(room, out.length);
    return;
  }
  if (Cp932ToUtf8(value.text, &utf8) && IsPrintable(utf8, true)) {
    std::vector<char> quoted(utf8.size() * 2 + 4);
    HiveSink q{quoted.data(), quoted.size()};
    PutQuotedData(q, utf8);
    data->assign(quoted.data(), q.length);
    return;
  }
  std::vector<char> buffer(value.text.size() * 3 + 16);
  HiveSink hex{buffer.data(), buffer.size()};
  PutHexStringData(hex, value.text);
  data->assign(buffer.data(), hex.length);
}

// One line on stderr for a hive too large to rewrite, so the missing
// record has a visible reason.
void ReportHiveTooLarge(const char* hive) {
  std::string line = std::string(program_invocation_short_name) + ": " + hive +
                     ": registry hive larger than " + std::to_string(kLargestHive >> 20) +
                     " MiB left alone; values not written\n";
  (void)WriteAll(STDERR_FILENO, line.data(), line.size());
}

// The hive's text, read under the writer's rules: a regular file of at
// most kLargestHive bytes, opened without blocking (a FIFO or /dev/zero
// named as a hive must neither hang a lookup nor fill memory).
bool ReadHiveText(RegistryRoot root, std::string* text) {
  std::string path = HivePath(root);
  if (path.empty()) return false;
  int fd = OpenRetrying(path.c_str(), O_RDONLY | O_NONBLOCK, 0);
  if (fd < 0) return false;
  struct stat info;
  std::size_t length = 0;
  bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
            static_cast<uint64_t>(info.st_size) <= kLargestHive;
  if (ok) {
    text->resize(static_cast<std::size_t>(info.st_size) + 1);
    ok = ReadAll(fd, text->data(), text->size(), &length);
    text->resize(length);
  }
  close(fd);
  return ok;
}

// The data text of the last `name` line in the section for `key`; `text`
// holds the hive that `data` points into.
bool FindHiveValue(RegistryRoot root, std::string_view key, std::string_view name,
                   std::string* text, std::string_view* data) {
  return ReadHiveText(root, text) && FindValueData(*text, SectionHeader(root, key), name, data);
}

// The directory holding the running program, without a trailing slash;
// empty when the system will not say.
std::string ExecutableDirectory() {
  char path[kPathMax];
  ssize_t length = readlink("/proc/self/exe", path, sizeof path);
  if (length <= 0 || static_cast<std::size_t>(length) == sizeof path) return {};
  std::string_view program(path, static_cast<std::size_t>(length));
  return std::string(program.substr(0, program.rfind('/')));
}

// See HivePath: the build tree's hive sits beside the program, an installed
// tree's one level up, next to bin/.
std::string MachineHiveBesideProgram() {
  constexpr char kHiveName[] = "/etc/tolvex/machine.reg";
  std::string directory = ExecutableDirectory();
  if (directory.empty()) return {};
  std::string build_tree = directory + kHiveName;
  if (access(build_tree.c_str(), F_OK) == 0) return build_tree;
  return directory.substr(0, directory.rfind('/')) + kHiveName;
}

}  // namespace

// ================================================================ public

std::string HivePath(RegistryRoot root) {
  const char* variable = root == RegistryRoot::kCurrentUser ? kUserHiveVariable : kMachineHiveVariable;
  const char* set = std::getenv(variable);
  if (set && *set) return set;
  if (root == RegistryRoot::kLocalMachine) return MachineHiveBesideProgram();
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config && config[0] == '/') return std::string(config) + "/tolvex/user.reg";
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return std::string(home) + "/.config/tolvex/user.reg";
  return {};
}

bool SetRegistryValues(RegistryRoot root, std::string_view key,
                       std::span<const RegistryValue> values) {
  if (values.size() > kMaxHiveValues) return false;
  std::string path = HivePath(root);
  HivePaths paths;
  if (path.empty() || !BuildPaths(path.c_str(), ".tmp.", &paths)) return false;

  std::vector<std::string> data(values.size());
  std::vector<EncodedValue> encoded(values.size());
  for (std::size_t i = 0; i < values.size(); ++i) {
    Encode(values[i], &data[i]);
    encoded[i] = {values[i].name, data[i]};
  }
  const std::string header = SectionHeader(root, key);

  HiveTransaction transaction;
  if (!transaction.Begin(paths, kLargestHive)) {
    if (transaction.too_large) ReportHiveTooLarge(paths.hive);
    return false;
  }
  std::vector<char> old_text(transaction.old_size + 1);
  std::size_t old_length = 0;
  if (!transaction.ReadOld(old_text.data(), old_text.size(), &old_length)) return false;
  const std::string_view old_view(old_text.data(), old_length);
  // A first pass only counts, so the buffer is as large as the text really
  // written, whatever the old hive holds.
  HiveSink measure{nullptr, SIZE_MAX};
  if (!RewriteHive(old_view, header, encoded.data(), encoded.size(), measure)) return false;
  std::vector<char> new_text(measure.length);
  HiveSink out{new_text.data(), new_text.size()};
  return RewriteHive(old_view, header, encoded.data(), encoded.size(), out) &&
         transaction.Commit(new_text.data(), out.length);
}

bool QueryRegistryString(RegistryRoot root, std::string_view key, std::string_view name,
                         std::size_t max_length, std::string* text) {
  std::string hive;
  std::string_view data;
  if (!FindHiveValue(root, key, name, &hive, &data)) return false;
  std::string utf8, result;
  if (UnquoteData(data, &utf8)) {
    if (!Utf8ToCp932(utf8, &result)) return false;
  } else if (!DecodeHexStringData(data, &result)) {
    return false;
  }
  if (result.size() > max_length) return false;
  *text = std::move(result);
  return true;
}

bool QueryRegistryNumber(RegistryRoot root, std::string_view key, std::string_view name,
                         uint32_t* number) {
  std::string hive;
  std::string_view data;
  return FindHiveValue(root, key, name, &hive, &data) && DecodeNumberData(data, number);
}

bool SetRegistryValuesFromSignal(const char* hive_path, RegistryRoot root, std::string_view key,
                                 const RegistryValue* values, std::size_t count) {
  if (count > kMaxHiveValues || hive_path == nullptr) return false;
  if (!BuildPaths(hive_path, ".tmpf.", &g_signal_paths)) return false;

  EncodedValue encoded[kMaxHiveValues];
  HiveSink pool{g_signal_values, sizeof g_signal_values};
  for (std::size_t i = 0; i < count; ++i) {
    std::size_t start = pool.length;
    if (values[i].is_number)
      PutNumberData(pool, values[i].number);
    else if (IsPrintable(values[i].text, false))
      PutQuotedData(pool, values[i].text);
    else
      PutHexStringData(pool, values[i].text);
    if (pool.overflow) return false;
    encoded[i] = {values[i].name, std::string_view(g_signal_values + start, pool.length - start)};
  }
  HiveSink header{g_signal_header, sizeof g_signal_header};
  PutSectionHeader(header, root, key);
  if (header.overflow) return false;

  HiveTransaction transaction;
  std::size_t old_length = 0;
  bool ok = transaction.Begin(g_signal_paths, kSignalHiveBytes) &&
            transaction.ReadOld(g_signal_old, sizeof g_signal_old, &old_length);
  if (ok) {
    HiveSink out{g_signal_new, sizeof g_signal_new};
    ok = RewriteHive(std::string_view(g_signal_old, old_length),
                     std::string_view(g_signal_header, header.length), encoded, count, out) &&
         transaction.Commit(g_signal_new, out.length);
  }
  return ok;
}

void FailHiveStepsAfter(int successes) { g_hive_steps = FaultCountdown{successes}; }

}  // namespace tolvex::os
