// What the line and item reads share: selecting a channel as the source of
// the next read, and their work buffers.
// Holds no OS code.
#pragma once
#include <cstdint>

#include "runtime/core/error_codes.h"
#include "runtime/core/runtime_error.h"
#include "runtime/io/channel_table.h"
#include "runtime/io/io_context.h"
#include "runtime/text/string_stack.h"

namespace tolvex::io {

// Mode flags of the input context after a select.
constexpr uint32_t kLineMode = 0;
constexpr uint32_t kItemMode = 2;

// Checks `channel` (outside 1..255: 50 at `range_location`; not open: 57 at
// `closed_location`; a slot that is not the keyboard, a serial port or a
// file: 51 at `kind_location`) and makes its slot the input source with
// `mode_flags` and the current StringStack depth.
// Inline: the tile selects its channel before every entry.
inline void SelectInputSource(int16_t channel, uint32_t mode_flags, uint32_t range_location,
                              uint32_t closed_location, uint32_t kind_location);

// A read's work buffer from the memory seam, freed when the read ends in
// any way. Without memory it raises 7 at `location` and bytes() is null.
class InputBuffer {
 public:
  InputBuffer(uint32_t size, uint32_t location);
  ~InputBuffer();
  InputBuffer(const InputBuffer&) = delete;
  InputBuffer& operator=(const InputBuffer&) = delete;
  uint8_t* bytes() const { return bytes_; }

 private:
  uint8_t* bytes_;
};

// The item reader's work buffer: at least `size` bytes, taken on first use
// and kept across reads (taking and freeing 32 KiB for every entry of a
// tile cost more than reading it). Without memory it raises 7 at
// `location` and returns null; the buffer kept so far, if any, is kept.
uint8_t* KeptInputBuffer(uint32_t size, uint32_t location);
// True when the kept buffer has at least `size` bytes: KeptInputBuffer
// would take no memory.
inline bool HasKeptInputBuffer(uint32_t size);
// Frees the kept buffer; the next read takes a new one.
void ReleaseInputBuffers();

// ------------------------------------------------------------ inline steps

namespace input_source_detail {
extern uint8_t* kept_buffer;
extern uint32_t kept_size;
}  // namespace input_source_detail

inline void SelectInputSource(int16_t channel, uint32_t mode_flags, uint32_t range_location,
                              uint32_t closed_location, uint32_t kind_location) {
  const int32_t slot = OpenChannelSlot(channel, range_location, closed_location);
  if (slot == -1) return;
  const bool readable = slot == kKeyboardSlot ||
                        (slot >= kFirstSerialSlot && slot <= kLastSerialSlot) ||
                        IsFileSlot(slot);
  if (!readable) return core::RaiseError(core::kErrBadFileMode, kind_location);
  InputContext& input = CurrentInput();
  input.source = slot;
  input.mode_flags = mode_flags;
  input.recorded_depth = text::StackDepth();
}

inline bool HasKeptInputBuffer(uint32_t size) {
  return input_source_detail::kept_buffer != nullptr && input_source_detail::kept_size >= size;
}

}  // namespace tolvex::io
