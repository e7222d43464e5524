// The channel table and closing (see channel_table.h). Holds no OS code.
#include "runtime/io/channel_table.h"

#include <cstring>
#include <vector>

#include "runtime/core/error_codes.h"
#include "runtime/core/runtime_error.h"
#include "runtime/io/item_scanner.h"
#include "runtime/io/write_buffer.h"
#include "runtime/os/memory.h"

namespace tolvex::io {

namespace channel_table_detail {
int32_t channel_map[kChannelMapEntries];
ChannelSlot* slots[kSlotCount];
bool started = false;
}  // namespace channel_table_detail

namespace {

using channel_table_detail::channel_map;
using channel_table_detail::EnsureStarted;
using channel_table_detail::SetUpTables;
using channel_table_detail::slots;
using channel_table_detail::started;

ChannelSlot g_device_slots[kDeviceSlots];
// A file this run created; `open_slot` is null once it has been closed.
struct CreatedFile {
  std::string path;
  const ChannelSlot* open_slot;
};
std::vector<CreatedFile> g_created_files;

// Slots 2..9 hold printers and further devices; only the printers have
// names here. An empty name never matches: an empty file name fails first.
struct DeviceSetup {
  int32_t slot;
  const char* name;
  int32_t kind;
};
constexpr DeviceSetup kDevices[] = {
    {0, "KYBD:", kSequentialInput},  {1, "SCRN:", kSequentialOutput},
    {2, "LPT1:", kSequentialOutput}, {3, "LPT2:", kSequentialOutput},
    {4, "LPT3:", kSequentialOutput}, {10, "COM0:", 0},
    {11, "COM1:", 0},                {12, "COM2:", 0},
    {13, "COM3:", 0},                {14, "COM4:", 0},
};

// The first failure met while closing, raised once everything is closed.
struct CloseFailure {
  int16_t code = 0;
  uint32_t location = 0;
};

void NoteFailure(CloseFailure* failure, int16_t code, uint32_t location) {
  if (failure->code != 0) return;
  failure->code = code;
  failure->location = location;
}

bool IsWritten(const ChannelSlot& slot) {
  return slot.kind != kSequentialInput && slot.kind != kBinaryInput;
}

// Closes a file slot and empties it. Never raises: pending output that
// cannot be written, an end-of-file mark that cannot be written and a
// close that fails are noted in `failure` so the caller can report the
// lost data.
void CloseFileSlot(int32_t index, CloseFailure* failure, bool map_errors) {
  ChannelSlot* slot = slots[index];
  if (slot == nullptr) return;
  FileControl* control = slot->control;
  FlushPending(*slot, map_errors);
  if (control->deferred_code != 0)
    NoteFailure(failure, control->deferred_code, control->deferred_location);
  os::Release(control->read_ahead);
  control->read_ahead = nullptr;
  if (slot->kind == kSequentialOutput || slot->kind == kAppend) {
    const uint8_t mark = kEndOfFileMark;
    if (!os::WriteFile(slot->handle, &mark, 1))
      NoteFailure(failure, SystemFailureCode(map_errors), core::kLocCloseWrite);
  }
  if (!os::CloseFile(slot->handle) && IsWritten(*slot))
    NoteFailure(failure, SystemFailureCode(map_errors), core::kLocCloseWrite);
  slot->handle = os::kNoFile;
  for (CreatedFile& file : g_created_files)
    if (file.open_slot == slot) file.open_slot = nullptr;
  slots[index] = nullptr;
  DiscardSlot(slot);
}

void CloseOne(int32_t channel, CloseFailure* failure, bool map_errors) {
  int32_t index = channel_map[channel];
  channel_map[channel] = -1;
  // Device slots (keyboard, screen, ...) stay set up.
  if (IsFileSlot(index)) CloseFileSlot(index, failure, map_errors);
}

void CloseAll(CloseFailure* failure, bool map_errors) {
  for (int32_t channel = 1; channel <= 255; ++channel)
    CloseOne(channel, failure, map_errors);
}

// A program that leaves without the frame's termination still gets its
// files completed: pending output written and end-of-file marks added.
struct CloseAtExit {
  ~CloseAtExit() {
    if (!started) return;
    CloseFailure ignored;
    CloseAll(&ignored, false);
  }
};
CloseAtExit g_close_at_exit;

}  // namespace

namespace channel_table_detail {

void SetUpTables() {
  for (int32_t i = 0; i < kDeviceSlots; ++i) {
    g_device_slots[i] = ChannelSlot{};
    slots[i] = &g_device_slots[i];
  }
  for (const DeviceSetup& device : kDevices) {
    ChannelSlot& slot = g_device_slots[device.slot];
    std::strcpy(slot.path, device.name);
    slot.kind = device.kind;
  }
  for (int32_t i = kDeviceSlots; i < kSlotCount; ++i) slots[i] = nullptr;
  channel_map[0] = kScreenSlot;
  for (int32_t i = 1; i < kChannelMapEntries; ++i) channel_map[i] = -1;
  started = true;
}

}  // namespace channel_table_detail

ChannelSlot* ReadableInputSlot(int32_t slot_index, uint32_t location) {
  ChannelSlot* slot = SlotAt(slot_index);
  if (slot == nullptr || !IsFileSlot(slot_index) || slot->kind != kSequentialInput) {
    core::RaiseError(core::kErrBadFileMode, location);
    return nullptr;
  }
  if (slot->control->position >= slot->control->length) {
    core::RaiseError(core::kErrInputPastEnd, location);
    return nullptr;
  }
  return slot;
}

void CloseChannels(uint32_t count, const uint32_t* channels) {
  if (count == 0) {
    CloseChannel(0);
    return;
  }
  for (uint32_t i = 0; i < count; ++i) {
    if (channels[i] - 1u > 254u) {
      core::RaiseError(core::kErrBadChannelNumber, core::kLocCloseChannels);
      return;
    }
    CloseChannel(static_cast<int32_t>(channels[i]));
  }
}

void CloseChannel(int32_t channel) {
  EnsureStarted();
  CloseFailure failure;
  if (channel == 0)
    CloseAll(&failure, true);
  else if (channel >= 1 && channel <= 255)
    CloseOne(channel, &failure, true);
  if (failure.code != 0) RaiseWriteFailure(failure.code, failure.location);
}

void NoteCreatedFile(const std::string& system_path, const ChannelSlot* slot) {
  g_created_files.push_back({system_path, slot});
}

void RemoveCreatedFiles() {
  // A file that cannot be removed stays; the write's error is reported all
  // the same.
  for (const CreatedFile& file : g_created_files) (void)os::RemoveFile(file.path.c_str());
  g_created_files.clear();
}

bool RemoveIncompleteFiles() {
  bool removed = false;
  for (auto file = g_created_files.begin(); file != g_created_files.end();) {
    if (file->open_slot == nullptr) {
      ++file;
      continue;
    }
    // Its channel is dropped without a flush or an end-of-file mark.
    for (int32_t index = kFirstFileSlot; index <= kLastFileSlot; ++index) {
      if (slots[index] != file->open_slot) continue;
      for (int32_t& bound : channel_map)
        if (bound == index) bound = -1;
      DiscardSlot(slots[index]);
      slots[index] = nullptr;
    }
    (void)os::RemoveFile(file->path.c_str());
    file = g_created_files.erase(file);
    removed = true;
  }
  return removed;
}

int32_t FindFreeFileSlot() {
  EnsureStarted();
  for (int32_t i = kFirstFileSlot; i <= kLastFileSlot; ++i)
    if (slots[i] == nullptr) return i;
  return -1;
}

void BindSlot(int32_t index, ChannelSlot* slot) {
  EnsureStarted();
  slots[index] = slot;
}

void BindChannel(int32_t channel, int32_t slot_index) {
  EnsureStarted();
  channel_map[channel] = slot_index;
}

void DiscardSlot(ChannelSlot* slot) {
  if (slot == nullptr) return;
  if (FileControl* control = slot->control) {
    os::Release(control->read_ahead);
    os::Release(control->record_buffer);
    os::Release(control->pending);
    os::Release(control);
  }
  if (slot->handle != os::kNoFile) (void)os::CloseFile(slot->handle);
  os::Release(slot);
}

void ResetFiles() {
  os::ResetFileSystem();
  if (started) {
    CloseFailure ignored;
    CloseAll(&ignored, false);
    // Slots a test bound without a channel.
    for (int32_t i = kFirstFileSlot; i <= kLastFileSlot; ++i)
      if (slots[i] != nullptr) CloseFileSlot(i, &ignored, false);
  }
  SetUpTables();
  g_created_files.clear();
  ResetItemContinuation();
  os::ResetFileSystem();
}

}  // namespace tolvex::io
