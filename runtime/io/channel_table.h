// The channel table: ChannelMap (channel number -> slot), the slot table of
// built-in devices and open files, each file's FileControl, and closing.
// Holds no OS code; files are reached through runtime/os/file_system.h.
#pragma once
#include <cstdint>
#include <string>

#include "runtime/core/error_codes.h"
#include "runtime/core/runtime_error.h"
#include "runtime/io/io_context.h"
#include "runtime/io/steering_bytes.h"
#include "runtime/os/file_system.h"

namespace tolvex::io {

constexpr int32_t kChannelMapEntries = 257;  // 0 screen, 1..255 programs, 256 listing
constexpr int32_t kSlotCount = 271;
constexpr int32_t kDeviceSlots = 15;         // slots 0..14
constexpr int32_t kFirstSerialSlot = 10;     // "COM0:" .. "COM4:"
constexpr int32_t kLastSerialSlot = 14;
constexpr uint32_t kPathBytes = 260;
constexpr uint32_t kReadAheadBytes = 32768;
// Pending output of one file is handed to the system in pieces of this size.
constexpr uint32_t kWriteBufferBytes = 32768;

// Slot kinds: the kind of an open mode, or a device's own.
enum SlotKind : int32_t {
  kSequentialInput = 1,  // also the keyboard
  kSequentialOutput = 2,  // also the screen
  kAppend = 3,
  kRandom = 4,
  kBinaryInput = 6,
  kBinaryOutput = 7,
  kBinaryReadWrite = 8,
};

struct FileControl {
  uint16_t open_mode = 0;  // after defaults: 0 is kept as 6
  uint16_t reserved = 0;
  uint32_t length = 0;     // size at open, raised by writes past it
  uint16_t width = 0;      // text line width; 0 = lines never broken
  uint16_t column = 0;     // column of the next text character, from 0
  uint32_t position = 0;   // offset of the next read or write
  uint8_t* record_buffer = nullptr;  // random modes: record_length zero bytes
  uint16_t record_length = 0;
  uint8_t* read_ahead = nullptr;     // kReadAheadBytes
  uint32_t cache_capacity = 0;
  uint32_t cache_start = 0;
  uint32_t cache_end = 0;            // 0: the cache is empty
  uint32_t read_hint = 0;            // where the system's position is; 0 = not known

  // Output not yet handed to the system. It always belongs at the system's
  // current position, so flushing it is one plain write.
  uint8_t* pending = nullptr;        // kWriteBufferBytes, taken at the first write
  uint32_t pending_used = 0;
  uint32_t pending_location = 0;     // error location of the oldest pending write
  // A flush that failed where no error could be raised (an open of another
  // channel): raised by the next write to this file or by its close.
  int16_t deferred_code = 0;
  uint32_t deferred_location = 0;
};

struct ChannelSlot {
  int32_t kind = 0;
  char path[kPathBytes + 1] = {};  // resolved full path, or the device name
  os::FileHandle handle = os::kNoFile;
  FileControl* control = nullptr;  // files only
};

// The slot bound to `channel` (0..256), or -1 when it is closed. Callers
// check the channel range first.
inline int32_t LookupChannel(int32_t channel);
// The slot at `index`, or null when the index is out of range or the slot
// is empty.
inline ChannelSlot* SlotAt(int32_t index);
inline bool IsFileSlot(int32_t index) {
  return index >= kFirstFileSlot && index <= kLastFileSlot;
}

// The slot of an open channel that a program names: a number outside 1..255
// (compared unsigned, so negative numbers fail too) is error 50 at
// `range_location`, a closed channel 57 at `closed_location`. Returns -1
// only when such a raise returned (an error was already being processed).
inline int32_t OpenChannelSlot(int16_t channel, uint32_t range_location,
                               uint32_t closed_location);

// The slot of a file open for sequential input with bytes left to read:
// otherwise 51 (not such a file) or 54 (at the end) at `location`. Null only
// when such a raise returned.
ChannelSlot* ReadableInputSlot(int32_t slot_index, uint32_t location);

// Closes channels: count 0 closes every channel 1..255; otherwise the listed
// ones in order, each of which must be 1..255 (error 50 at 0x1E01; channels
// closed before the bad one stay closed).
// Example: CloseChannels(2, (uint32_t[]){1, 2}).
void CloseChannels(uint32_t count, const uint32_t* channels);
// Channel 0 closes every channel 1..255; another channel closes that one
// when open. Closing a channel that is not open does nothing. Sequential
// output and append files get the end-of-file mark 0x1A. Pending output is
// written first; if that, the mark or the system's close of a file opened
// for writing fails (network file systems report delayed write errors
// there), the channel is still closed and the first failure's code is
// raised afterwards as a write failure (ignored at the program's end, like
// every error raised while one is being processed).
void CloseChannel(int32_t channel);

// ------------------------------------------------- files this run created
// An open that creates a new file (modes 2 and 9) notes it here with its
// slot: the run owns it. Files that existed before the run are never among
// them.
void NoteCreatedFile(const std::string& system_path, const ChannelSlot* slot);
// After a failure while writing: deletes every one, open or closed, so a
// full disk never leaves a partial raster, or a raster without its header,
// under a final name for the next run to trip over.
void RemoveCreatedFiles();
// For a run cut short (an error, the break, a signal): deletes the ones
// still open, whose contents are incomplete, without writing what is
// pending; closed ones are complete and stay. True when any was deleted.
bool RemoveIncompleteFiles();

// ------------------------------------------------- for OpenChannel
// The lowest empty file slot, or -1 when all 256 are taken.
int32_t FindFreeFileSlot();
void BindSlot(int32_t index, ChannelSlot* slot);
void BindChannel(int32_t channel, int32_t slot_index);
// Gives back a slot record made by the open (handle closed if any, buffers
// freed); nothing is written to the file.
void DiscardSlot(ChannelSlot* slot);

// Everything back to the start: all file slots closed (without raising),
// the list of created files forgotten,
// ChannelMap entry 0 on the screen slot and 1..256 closed, the device slots
// set up, the item continuation and the file seam's test hooks cleared.
void ResetFiles();

// ------------------------------------------------- inline steps
// Every read and write of a tile's entries looks its channel up.

namespace channel_table_detail {
extern int32_t channel_map[kChannelMapEntries];
extern ChannelSlot* slots[kSlotCount];
extern bool started;
// The tables set up at first use.
void SetUpTables();
inline void EnsureStarted() {
  if (!started) [[unlikely]] SetUpTables();
}
}  // namespace channel_table_detail

inline int32_t LookupChannel(int32_t channel) {
  channel_table_detail::EnsureStarted();
  if (channel < 0 || channel >= kChannelMapEntries) return -1;
  return channel_table_detail::channel_map[channel];
}

inline ChannelSlot* SlotAt(int32_t index) {
  channel_table_detail::EnsureStarted();
  if (index < 0 || index >= kSlotCount) return nullptr;
  return channel_table_detail::slots[index];
}

inline int32_t OpenChannelSlot(int16_t channel, uint32_t range_location,
                               uint32_t closed_location) {
  const auto number = static_cast<uint16_t>(channel);
  if (number < 1 || number > 255) [[unlikely]] {
    core::RaiseError(core::kErrBadChannelNumber, range_location);
    return -1;
  }
  const int32_t slot = LookupChannel(number);
  if (slot == -1) [[unlikely]] core::RaiseError(core::kErrChannelNotOpen, closed_location);
  return slot;
}

}  // namespace tolvex::io
