// The registry store (see registry_store.h): hive paths, the REGEDIT4 text
// form, and the locked read-modify-rename cycle that keeps a hive whole.
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

namespace tolvex::os {
namespace {

// Everything in this anonymous namespace down to the next banner runs inside
// the fatal signal handler too: no allocation, no locale, no stdio.

constexpr std::size_t kPathMax = 4096;
constexpr std::size_t kMaxValues = 16;
constexpr char kHeaderLine[] = "REGEDIT4";
// A crashing process or a slow disk may hold the lock a moment; five seconds
// of polite retries is far longer than any honest write takes.
constexpr int kLockAttempts = 500;
constexpr long kLockPauseNanoseconds = 10'000'000;

int g_steps_left = -1;

bool StepFails() {
  if (g_steps_left < 0) return false;
  if (g_steps_left == 0) return true;
  --g_steps_left;
  return false;
}

// ------------------------------------------------------------ text sink

struct Sink {
  char* data;
  std::size_t capacity;
  std::size_t length = 0;
  bool overflow = false;

  void Put(std::string_view text) {
    if (overflow || capacity - length < text.size()) {
      overflow = true;
      return;
    }
    std::memcpy(data + length, text.data(), text.size());
    length += text.size();
  }
  void Put(char c) { Put(std::string_view(&c, 1)); }
};

constexpr char kHexDigits[] = "0123456789abcdef";

void PutHexByte(Sink& out, unsigned char byte) {
  out.Put(kHexDigits[byte >> 4]);
  out.Put(kHexDigits[byte & 0xF]);
}

void PutNumber(Sink& out, uint32_t number) {
  out.Put("dword:");
  for (int shift = 24; shift >= 0; shift -= 8) PutHexByte(out, static_cast<unsigned char>(number >> shift));
}

// A quoted string, with the two escapes REGEDIT4 knows.
void PutQuoted(Sink& out, std::string_view text) {
  out.Put('"');
  for (char c : text) {
    if (c == '"' || c == '\\') out.Put('\\');
    out.Put(c);
  }
  out.Put('"');
}

// Raw bytes of a string value with its terminating NUL, as the system's own
// export writes a string it cannot show.
void PutHexString(Sink& out, std::string_view text) {
  out.Put("hex(1):");
  for (unsigned char c : text) {
    PutHexByte(out, c);
    out.Put(',');
  }
  out.Put("00");
}

bool IsPrintable(std::string_view text, bool allow_high) {
  for (unsigned char c : text)
    if (c < 0x20 || c == 0x7F || (!allow_high && c >= 0x80)) return false;
  return true;
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

std::string_view TrimRight(std::string_view line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
    line.remove_suffix(1);
  return line;
}

const char* RootName(RegistryRoot root) {
  return root == RegistryRoot::kCurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
}

void PutSectionHeader(Sink& out, RegistryRoot root, std::string_view key) {
  out.Put('[');
  out.Put(RootName(root));
  out.Put('\\');
  out.Put(key);
  out.Put(']');
}

// A value line `"NAME"=data`: the name between the quotes, or empty when the
// line is something else (a default value, a comment, garbage).
std::string_view ValueLineName(std::string_view line, std::string_view* data) {
  if (line.size() < 3 || line[0] != '"') return {};
  std::size_t i = 1;
  while (i < line.size() && line[i] != '"') i += (line[i] == '\\') ? 2 : 1;
  if (i >= line.size() || i + 1 >= line.size() || line[i + 1] != '=') return {};
  if (data) *data = line.substr(i + 2);
  return line.substr(1, i - 1);
}

// An encoded value: the name and the text after '='.
struct EncodedValue {
  std::string_view name;
  std::string_view data;
};

void PutValueLine(Sink& out, const EncodedValue& value) {
  out.Put('"');
  out.Put(value.name);
  out.Put("\"=");
  out.Put(value.data);
  out.Put('\n');
}

// Copies hive text `old_text` to `out` with `values` set under the section
// `header`: values that exist are replaced in place, the others are appended
// at the end of the section (before the blank lines that follow it), and a
// missing section is appended at the end of the file.
bool RewriteHive(std::string_view old_text, std::string_view header, const EncodedValue* values,
                 std::size_t count, Sink& out) {
  if (count > kMaxValues) return false;
  bool written[kMaxValues] = {};
  bool in_target = false;
  bool found = false;
  int pending_blanks = 0;
  bool first = true;

  auto flush_unwritten = [&] {
    for (std::size_t i = 0; i < count; ++i)
      if (!written[i]) {
        PutValueLine(out, values[i]);
        written[i] = true;
      }
  };

  std::size_t pos = 0;
  while (pos < old_text.size()) {
    std::size_t end = old_text.find('\n', pos);
    if (end == std::string_view::npos) end = old_text.size();
    std::string_view line = TrimRight(old_text.substr(pos, end - pos));
    pos = end + 1;
    if (first) {
      first = false;
      if (!SameIgnoringCase(line, kHeaderLine)) out.Put("REGEDIT4\n\n");
    }
    if (line.empty()) {
      ++pending_blanks;
      continue;
    }
    if (line[0] == '[') {
      if (in_target) flush_unwritten();
      in_target = SameIgnoringCase(line, header);
      found = found || in_target;
    } else if (in_target) {
      std::string_view name = ValueLineName(line, nullptr);
      bool replaced = false;
      for (std::size_t i = 0; i < count && !name.empty(); ++i)
        if (SameIgnoringCase(name, values[i].name)) {
          for (; pending_blanks > 0; --pending_blanks) out.Put('\n');
          PutValueLine(out, values[i]);
          written[i] = true;
          replaced = true;
          break;
        }
      if (replaced) continue;
    }
    for (; pending_blanks > 0; --pending_blanks) out.Put('\n');
    out.Put(line);
    out.Put('\n');
  }
  if (first) out.Put("REGEDIT4\n");
  if (in_target) flush_unwritten();
  if (!found) {
    out.Put('\n');
    out.Put(header);
    out.Put('\n');
    flush_unwritten();
  }
  out.Put('\n');
  return !out.overflow;
}

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

void PutDecimal(Sink& out, unsigned long value) {
  char digits[24];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (n > 0) out.Put(digits[--n]);
}

struct HivePaths {
  char hive[kPathMax];
  char lock[kPathMax];
  char temp[kPathMax];
};

bool BuildPaths(const char* hive_path, const char* temp_tag, HivePaths* paths) {
  std::string_view hive(hive_path);
  if (hive.empty() || hive.size() + 40 > kPathMax) return false;
  char suffix[48];
  Sink tag{suffix, sizeof suffix - 1};
  tag.Put(temp_tag);
  PutDecimal(tag, static_cast<unsigned long>(getpid()));
  suffix[tag.length] = '\0';
  return CopyPath(paths->hive, hive, "", "") && CopyPath(paths->lock, hive, ".lock", "") &&
         CopyPath(paths->temp, hive, suffix, "");
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
// Commit puts the new text in its place, End lets go.
struct HiveTransaction {
  const HivePaths* paths = nullptr;
  int lock_fd = -1;
  int old_fd = -1;
  std::size_t old_size = 0;

  bool Begin(const HivePaths& hive_paths) {
    paths = &hive_paths;
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
    old_fd = OpenRetrying(paths->hive, O_RDONLY, 0);
    if (old_fd < 0) return errno == ENOENT;  // no hive yet: start from nothing
    struct stat info;
    if (fstat(old_fd, &info) != 0 || info.st_size < 0) return false;
    old_size = static_cast<std::size_t>(info.st_size);
    return true;
  }

  bool ReadOld(char* buffer, std::size_t capacity, std::size_t* length) {
    *length = 0;
    return old_fd < 0 || ReadAll(old_fd, buffer, capacity, length);
  }

  bool Commit(const char* data, std::size_t length) {
    int fd = OpenRetrying(paths->temp, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return false;
    bool ok = WriteHiveBytes(fd, data, length) && !StepFails() && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && !StepFails() && rename(paths->temp, paths->hive) == 0;
    if (!ok) unlink(paths->temp);
    return ok;
  }

  void End() {
    if (old_fd >= 0) close(old_fd);
    if (lock_fd >= 0) close(lock_fd);  // closing drops the lock
    old_fd = lock_fd = -1;
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

void Encode(const RegistryValue& value, std::string* data) {
  std::string utf8;
  char room[16];
  Sink out{room, sizeof room};
  if (value.is_number) {
    PutNumber(out, value.number);
    data->assign(room, out.length);
    return;
  }
  if (Cp932ToUtf8(value.text, &utf8) && IsPrintable(utf8, true)) {
    std::vector<char> quoted(utf8.size() * 2 + 4);
    Sink q{quoted.data(), quoted.size()};
    PutQuoted(q, utf8);
    data->assign(quoted.data(), q.length);
    return;
  }
  std::vector<char> buffer(value.text.size() * 3 + 16);
  Sink hex{buffer.data(), buffer.size()};
  PutHexString(hex, value.text);
  data->assign(buffer.data(), hex.length);
}

bool ReadHiveText(RegistryRoot root, std::string* text) {
  std::string path = HivePath(root);
  if (path.empty()) return false;
  int fd = OpenRetrying(path.c_str(), O_RDONLY, 0);
  if (fd < 0) return false;
  text->clear();
  char chunk[4096];
  bool ok = true;
  for (;;) {
    ssize_t n = read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;
    text->append(chunk, static_cast<std::size_t>(n));
  }
  close(fd);
  return ok;
}

// The data text of the last `name` line in a section for `key`.
bool FindValueData(RegistryRoot root, std::string_view key, std::string_view name,
                   std::string* text, std::string_view* data) {
  if (!ReadHiveText(root, text)) return false;
  std::string header = std::string("[") + RootName(root) + "\\" + std::string(key) + "]";
  std::string_view all(*text);
  bool in_target = false;
  bool found = false;
  std::size_t pos = 0;
  while (pos < all.size()) {
    std::size_t end = all.find('\n', pos);
    if (end == std::string_view::npos) end = all.size();
    std::string_view line = TrimRight(all.substr(pos, end - pos));
    pos = end + 1;
    if (!line.empty() && line[0] == '[') {
      in_target = SameIgnoringCase(line, header);
      continue;
    }
    std::string_view value_data;
    if (in_target && SameIgnoringCase(ValueLineName(line, &value_data), name) && !name.empty()) {
      *data = value_data;
      found = true;
    }
  }
  return found;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = Lower(c);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool DecodeHexBytes(std::string_view data, std::string* bytes) {
  bytes->clear();
  std::size_t i = 0;
  while (i < data.size()) {
    if (data[i] == ',' || data[i] == ' ') {
      ++i;
      continue;
    }
    if (i + 1 >= data.size() || HexValue(data[i]) < 0 || HexValue(data[i + 1]) < 0) return false;
    bytes->push_back(static_cast<char>(HexValue(data[i]) * 16 + HexValue(data[i + 1])));
    i += 2;
  }
  return true;
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
  if (values.size() > kMaxValues) return false;
  std::string path = HivePath(root);
  HivePaths paths;
  if (path.empty() || !BuildPaths(path.c_str(), ".tmp.", &paths)) return false;

  std::vector<std::string> data(values.size());
  std::vector<EncodedValue> encoded(values.size());
  std::size_t extra = key.size() + 64;
  for (std::size_t i = 0; i < values.size(); ++i) {
    Encode(values[i], &data[i]);
    encoded[i] = {values[i].name, data[i]};
    extra += data[i].size() + std::strlen(values[i].name) + 8;
  }
  std::string header = std::string("[") + RootName(root) + "\\" + std::string(key) + "]";

  HiveTransaction transaction;
  bool ok = transaction.Begin(paths);
  if (ok) {
    std::vector<char> old_text(transaction.old_size + 1);
    std::size_t old_length = 0;
    ok = transaction.ReadOld(old_text.data(), old_text.size(), &old_length);
    if (ok) {
      std::vector<char> new_text(old_length + extra + 16);
      Sink out{new_text.data(), new_text.size()};
      ok = RewriteHive(std::string_view(old_text.data(), old_length), header, encoded.data(),
                       encoded.size(), out) &&
           transaction.Commit(new_text.data(), out.length);
    }
  }
  transaction.End();
  return ok;
}

bool QueryRegistryString(RegistryRoot root, std::string_view key, std::string_view name,
                         std::size_t max_length, std::string* text) {
  std::string hive;
  std::string_view data;
  if (!FindValueData(root, key, name, &hive, &data)) return false;
  std::string result;
  if (data.size() >= 2 && data.front() == '"' && data.back() == '"') {
    std::string utf8;
    for (std::size_t i = 1; i + 1 < data.size(); ++i) {
      if (data[i] == '\\' && i + 2 < data.size()) ++i;
      utf8.push_back(data[i]);
    }
    if (!Utf8ToCp932(utf8, &result)) return false;
  } else if (data.substr(0, 7) == "hex(1):") {
    if (!DecodeHexBytes(data.substr(7), &result)) return false;
    if (!result.empty() && result.back() == '\0') result.pop_back();
  } else {
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
  if (!FindValueData(root, key, name, &hive, &data)) return false;
  if (data.substr(0, 6) != "dword:" || data.size() < 7 || data.size() > 14) return false;
  uint32_t value = 0;
  for (char c : data.substr(6)) {
    int digit = HexValue(c);
    if (digit < 0) return false;
    value = value * 16 + static_cast<uint32_t>(digit);
  }
  *number = value;
  return true;
}

bool SetRegistryValuesFromSignal(const char* hive_path, RegistryRoot root, std::string_view key,
                                 const RegistryValue* values, std::size_t count) {
  if (count > kMaxValues || hive_path == nullptr) return false;
  if (!BuildPaths(hive_path, ".tmpf.", &g_signal_paths)) return false;

  EncodedValue encoded[kMaxValues];
  Sink pool{g_signal_values, sizeof g_signal_values};
  for (std::size_t i = 0; i < count; ++i) {
    std::size_t start = pool.length;
    if (values[i].is_number)
      PutNumber(pool, values[i].number);
    else if (IsPrintable(values[i].text, false))
      PutQuoted(pool, values[i].text);
    else
      PutHexString(pool, values[i].text);
    if (pool.overflow) return false;
    encoded[i] = {values[i].name, std::string_view(g_signal_values + start, pool.length - start)};
  }
  Sink header{g_signal_header, sizeof g_signal_header};
  PutSectionHeader(header, root, key);
  if (header.overflow) return false;

  HiveTransaction transaction;
  std::size_t old_length = 0;
  bool ok = transaction.Begin(g_signal_paths) &&
            transaction.ReadOld(g_signal_old, sizeof g_signal_old, &old_length);
  if (ok) {
    Sink out{g_signal_new, sizeof g_signal_new};
    ok = RewriteHive(std::string_view(g_signal_old, old_length),
                     std::string_view(g_signal_header, header.length), encoded, count, out) &&
         transaction.Commit(g_signal_new, out.length);
  }
  transaction.End();
  return ok;
}

void FailHiveStepsAfter(int successes) { g_steps_left = successes; }

}  // namespace tolvex::os
