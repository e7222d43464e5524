// OpenChannel (see open_channel.h): the argument checks in their fixed
// order, then the open proper, whose failures are all raised at 0x2008.
#include "runtime/io/open_channel.h"

#include <cstring>
#include <string>

#include "runtime/core/error_codes.h"
#include "runtime/core/os_error.h"
#include "runtime/core/runtime_error.h"
#include "runtime/io/channel_table.h"
#include "runtime/io/write_buffer.h"
#include "runtime/numeric/convert_kind.h"
#include "runtime/os/code_page.h"
#include "runtime/os/memory.h"
#include "runtime/text/string_stack.h"

namespace tolvex::io {
namespace {

using os::FileAccess;
using os::FileCreation;

struct ModeRule {
  int32_t kind;
  FileAccess access;
  FileCreation creation;
};

// Indexed by open mode; mode 0 never gets here (it is taken as mode 6).
constexpr ModeRule kModes[12] = {
    {kRandom, FileAccess::kReadWrite, FileCreation::kOpenAlways},
    {kSequentialInput, FileAccess::kRead, FileCreation::kOpenExisting},
    {kSequentialOutput, FileAccess::kWrite, FileCreation::kCreateNew},
    {kAppend, FileAccess::kReadWrite, FileCreation::kOpenAlways},
    {kRandom, FileAccess::kRead, FileCreation::kOpenExisting},
    {kRandom, FileAccess::kWrite, FileCreation::kOpenAlways},
    {kRandom, FileAccess::kReadWrite, FileCreation::kOpenAlways},
    {kRandom, FileAccess::kReadWrite, FileCreation::kOpenExisting},
    {kBinaryInput, FileAccess::kRead, FileCreation::kOpenExisting},
    {kBinaryOutput, FileAccess::kWrite, FileCreation::kCreateNew},
    {kBinaryReadWrite, FileAccess::kReadWrite, FileCreation::kOpenAlways},
    {kSequentialOutput, FileAccess::kWrite, FileCreation::kCreateAlways},
};

constexpr uint32_t kLargestOption = 63;
constexpr const char* kOptionDevices[] = {"LPT1:", "LPT2:", "LPT3:", "COM0:",
                                          "COM1:", "COM2:", "COM3:", "COM4:"};

bool IsRandomMode(uint16_t mode) {
  return mode >= kModeRandomRead && mode <= kModeRandomExisting;
}
bool IsSequentialMode(uint16_t mode) {
  return mode == kModeSequentialInput || mode == kModeSequentialOutput || mode == kModeAppend ||
         mode == kModeSequentialReplace;
}

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool SameIgnoringCase(const std::string& text, const char* name, size_t count) {
  if (text.size() < count) return false;
  for (size_t i = 0; i < count; ++i)
    if (Upper(text[i]) != Upper(name[i])) return false;
  return true;
}

void Fail(int16_t code) { core::RaiseError(code, core::kLocOpenFailed); }
void FailWithSystemError() { Fail(core::MapOsError()); }

// Frees what a failed open made; an open that succeeds releases it.
struct SlotUnderConstruction {
  ChannelSlot* slot = nullptr;
  int32_t bound_index = -1;
  ~SlotUnderConstruction() {
    if (slot == nullptr) return;
    if (bound_index >= 0) BindSlot(bound_index, nullptr);
    DiscardSlot(slot);
  }
};

// "NAME(option)" -> NAME and option. False for a bad option.
bool SplitOption(std::string* name, std::string* option, bool* has_option) {
  size_t open = name->find('(');
  *has_option = false;
  if (open == std::string::npos) return true;
  size_t close = name->find(')', open + 1);
  if (close == std::string::npos) return false;
  std::string joined = name->substr(0, open) + name->substr(close + 1);
  std::string inside = name->substr(open + 1, close - open - 1);
  if (joined.size() > kPathBytes - 1 || inside.size() > kLargestOption) return false;
  *name = joined;
  *option = inside;
  *has_option = true;
  return true;
}

// A drive prefix is one letter, or a number 0..25 written with one
// digit or starting with two, which becomes the letter "A" + number.
bool CheckDrivePrefix(std::string* name) {
  size_t colon = name->find(':');
  if (colon == std::string::npos) return true;
  const std::string prefix = name->substr(0, colon);
  if (prefix.size() == 1 && IsLetter(prefix[0])) return true;
  bool numeric = (prefix.size() == 1 && IsDigit(prefix[0])) ||
                 (prefix.size() >= 2 && IsDigit(prefix[0]) && IsDigit(prefix[1]));
  if (numeric) {
    uint32_t number = 0;
    for (size_t i = 0; i < prefix.size() && IsDigit(prefix[i]) && number <= 25; ++i)
      number = number * 10 + static_cast<uint32_t>(prefix[i] - '0');
    if (number > 25) return false;
    name->replace(0, colon, 1, static_cast<char>('A' + number));
    return true;
  }
  return prefix.size() >= 2 && IsDigit(prefix[0]);  // digit + non-digit: as it is
}

// The option must be a record length of 1..2048.
bool ReadRecordLength(const std::string& option, uint16_t* length) {
  if (option.empty()) return false;
  numeric::Extended value;
  if (!numeric::ConvertField(option.c_str(), kItemInt16, &value)) return false;
  long double number = value.native();
  if (!(number >= 1 && number <= kLargestRecordLength)) return false;
  *length = static_cast<uint16_t>(number);
  return true;
}

// A device name binds the channel to the device's slot.
bool OpenDevice(const std::string& name, uint16_t mode, uint16_t channel) {
  for (int32_t index = 0; index < kDeviceSlots; ++index) {
    const ChannelSlot* device = SlotAt(index);
    size_t size = std::strlen(device->path);
    if (size == 0 || size != name.size() || !SameIgnoringCase(name, device->path, size))
      continue;
    bool allowed = (index == kKeyboardSlot && mode == kModeSequentialInput) ||
                   (index == kScreenSlot && IsSequentialMode(mode) && mode != kModeSequentialInput);
    if (index != kKeyboardSlot && index != kScreenSlot) {
      Fail(core::kErrNotSupported);  // no printers or serial ports here
    } else if (!allowed) {
      Fail(core::kErrBadFileMode);
    } else {
      BindChannel(channel, index);
    }
    return true;
  }
  return false;
}

// The full path, kept in code page 932 in the slot; *system_path
// is the same path in the file system's encoding. False (raised) on failure.
bool ResolvePath(const std::string& name, ChannelSlot* slot, std::string* system_path) {
  std::string utf8_name;
  if (!os::Cp932ToUtf8(name, &utf8_name)) {
    Fail(core::kErrBadFileName);
    return false;
  }
  std::string kept;
  if (name[0] == '/') {
    *system_path = utf8_name;
    kept = name;
  } else {
    std::string directory;
    if (!os::CurrentDirectory(&directory)) {
      FailWithSystemError();
      return false;
    }
    const char* separator = directory.ends_with('/') ? "" : "/";
    *system_path = directory + separator + utf8_name;
    std::string cp932_directory;
    // A directory with no code page 932 form is kept (and measured) as the
    // system gives it.
    kept = os::Utf8ToCp932(directory, &cp932_directory)
               ? cp932_directory + separator + name
               : *system_path;
  }
  if (kept.size() > kPathBytes) {
    Fail(core::kErrBadFileName);
    return false;
  }
  std::memcpy(slot->path, kept.c_str(), kept.size() + 1);
  return true;
}

// Once the file is open: its length from its size; append goes to the end,
// over a final end-of-file mark, which the next write replaces.
bool PlaceFile(ChannelSlot* slot) {
  FileControl& control = *slot->control;
  uint64_t size = 0;
  if (!os::FileSize(slot->handle, &size)) {
    FailWithSystemError();
    return false;
  }
  if (size > os::kLargestFile) {
    os::RefuseFileTooLarge();
    FailWithSystemError();
    return false;
  }
  control.length = static_cast<uint32_t>(size);
  uint32_t target = 0;
  if (slot->kind == kAppend && control.length > 0) {
    uint8_t last = 0;
    uint32_t got = 0;
    if (!os::SeekFile(slot->handle, control.length - 1) ||
        !os::ReadFile(slot->handle, &last, 1, &got)) {
      FailWithSystemError();
      return false;
    }
    if (got == 1 && last == kEndOfFileMark) --control.length;
    target = control.length;
  }
  control.position = target;
  if (!os::SeekFile(slot->handle, target)) {
    FailWithSystemError();
    return false;
  }
  return true;
}

// The open proper, from the name to the bound channel: the name's option,
// a device, the drive prefix and the record length are checked, then a slot
// is made, the full path resolved, the file opened and placed. Every
// failure is raised at 0x2008 and leaves neither a slot nor a bound channel.
void OpenNamed(std::string name, uint16_t channel, uint16_t mode, bool option_allowed,
               uint16_t record_length) {
  if (record_length == 0) record_length = kDefaultRecordLength;
  std::string option;
  bool has_option = false;
  if (option_allowed && !SplitOption(&name, &option, &has_option))
    return Fail(core::kErrIllegalArgument);
  if (name.empty()) return Fail(core::kErrBadFileName);
  if (OpenDevice(name, mode, channel)) return;
  if (!CheckDrivePrefix(&name)) return Fail(core::kErrIllegalArgument);
  if (has_option && !ReadRecordLength(option, &record_length))
    return Fail(core::kErrIllegalArgument);
  if (name.find_first_of("?*") != std::string::npos) return Fail(core::kErrBadFileName);

  int32_t index = FindFreeFileSlot();
  if (index < 0) return Fail(core::kErrTooManyFiles);
  SlotUnderConstruction made;
  made.slot = static_cast<ChannelSlot*>(os::AllocateZeroed(sizeof(ChannelSlot)));
  if (made.slot == nullptr) return Fail(core::kErrOutOfMemory);
  made.slot->handle = os::kNoFile;
  auto* control = static_cast<FileControl*>(os::AllocateZeroed(sizeof(FileControl)));
  if (control == nullptr) return Fail(core::kErrOutOfMemory);
  made.slot->control = control;
  if (IsRandomMode(mode)) {
    control->record_buffer = static_cast<uint8_t*>(os::AllocateZeroed(record_length));
    if (control->record_buffer == nullptr) return Fail(core::kErrOutOfMemory);
  }
  if (IsSequentialMode(mode) && has_option) return Fail(core::kErrBadFileMode);

  const ModeRule& rule = kModes[mode];
  control->open_mode = mode;
  control->record_length = IsRandomMode(mode) ? record_length : 0;
  made.slot->kind = rule.kind;

  std::string system_path;
  if (!ResolvePath(name, made.slot, &system_path)) return;
  // A file opened now must see what earlier writes put into it.
  FlushAllFiles();
  made.slot->handle = os::OpenFile(system_path.c_str(), rule.access, rule.creation);
  if (made.slot->handle == os::kNoFile) return FailWithSystemError();
  if (!PlaceFile(made.slot)) return;

  BindSlot(index, made.slot);
  made.bound_index = index;
  control->read_ahead = static_cast<uint8_t*>(os::Allocate(kReadAheadBytes));
  if (control->read_ahead == nullptr) return Fail(core::kErrOutOfMemory);
  control->cache_capacity = kReadAheadBytes;
  BindChannel(channel, index);
  if (rule.creation == FileCreation::kCreateNew) NoteCreatedFile(system_path, made.slot);
  made.slot = nullptr;
}

}  // namespace

void OpenChannel(uint16_t mode, uint16_t share, uint16_t channel, uint32_t has_length,
                 int32_t length) {
  text::StringValue operand = text::PopText();
  if (operand.length > kPathBytes) {
    text::ReleaseIfTemporary(operand);
    core::RaiseError(core::kErrBadFileName, core::kLocOpenNameLength);
    return;
  }
  // The name is used as a zero-terminated copy: it ends at a NUL byte.
  std::string name = text::Bytes(operand);
  name.resize(std::strlen(name.c_str()));
  text::ReleaseIfTemporary(operand);

  if (channel < 1 || channel > 255)
    return core::RaiseError(core::kErrBadChannelNumber, core::kLocOpenChannel);
  if (LookupChannel(channel) != -1)
    return core::RaiseError(core::kErrChannelAlreadyOpen, core::kLocOpenAlreadyOpen);
  if (mode > kLastOpenMode)
    return core::RaiseError(core::kErrBadFileMode, core::kLocOpenModeRange);
  if (mode == kModeDefault) {
    if (share != kShareDefault)
      return core::RaiseError(core::kErrBadFileMode, core::kLocOpenMode0Share);
    mode = kModeRandomReadWrite;
    share = kShareReadWrite;
  } else if (mode == kModeSequentialInput) {
    if (share == kShareWrite)
      return core::RaiseError(core::kErrBadFileMode, core::kLocOpenMode1Share);
    if (share == kShareDefault) share = kShareReadWrite;
  } else if (IsSequentialMode(mode)) {
    if (share == kShareWrite || share == kShareReadWrite)
      return core::RaiseError(core::kErrBadFileMode, core::kLocOpenSeqShare);
    if (share == kShareDefault) share = kShareRead;
  } else if (mode == kModeRandomExisting) {
    share = kShareReadWrite;
  } else if (share == kShareDefault) {
    share = kShareReadWrite;
  }
  // The share code is settled but asks for no lock on this system.
  (void)share;

  uint16_t record_length = 0;
  if (has_length != 0) {
    if (!IsRandomMode(mode))
      return core::RaiseError(core::kErrBadFileMode, core::kLocOpenLengthMode);
    if (length < 1 || length > kLargestRecordLength)
      return core::RaiseError(core::kErrIllegalArgument, core::kLocOpenLengthRange);
    record_length = static_cast<uint16_t>(length);
  }

  bool option_allowed = IsRandomMode(mode) && has_length == 0;
  for (const char* device : kOptionDevices)
    if (SameIgnoringCase(name, device, 5)) option_allowed = true;

  OpenNamed(std::move(name), channel, mode, option_allowed, record_length);
}

}  // namespace tolvex::io
