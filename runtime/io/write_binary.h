// WriteBinary: the raw bytes of a variable, or of a string variable's text,
// written to a channel opened for binary output. Holds no OS code.
#pragma once
#include <cstddef>
#include <cstdint>

#include "runtime/core/error_codes.h"
#include "runtime/io/channel_table.h"
#include "runtime/io/write_buffer.h"

namespace tolvex::io {

// With `count` > 0 writes `count` bytes from `address` as they lie in memory
// (an int16 is two bytes, low byte first); with 0, `address` must be a
// StringValue of kind 0x10 whose bytes are written (error 13 at 0x1906
// otherwise). The column is left alone. Errors: outside 1..255 50 at
// 0x1901; not open 57 at 0x1902; not a file 51 at 0x1904; a slot that cannot
// be reached 51 at 0x1908; not mode 9 or 10 51 at 0x1903; a system failure
// at 0x1905 (0x1907 for the string form).
// Example: int16_t v = -9999; WriteBinary(2, 2, &v) writes F1 D8.
// Inline, as the raster is written two bytes per call.
inline void WriteBinary(int16_t channel, uint32_t count, const void* address);

// WriteBinary(channel, size, element) for each of `count` elements that lie
// `stride` bytes apart from `first` on (a row of an array whose first index
// varies fastest), in one call: the same bytes, the same system writes, and
// the same error raised at the same element as those calls make.
// Example: WriteBinaryElements(2, 2, 1125, row_start, 751 * 2).
void WriteBinaryElements(int16_t channel, uint32_t size, uint32_t count, const void* first,
                         ptrdiff_t stride);

// ------------------------------------------------- inline steps

namespace write_binary_detail {
// WriteBinary with every check that raises.
void WriteBinaryChecked(int16_t channel, uint32_t count, const void* address);

// The slot of `channel` when it is an open binary output file, the checks
// that would raise all passing; otherwise null.
inline ChannelSlot* BinaryOutputSlot(int16_t channel) {
  const auto number = static_cast<uint16_t>(channel);
  if (number < 1 || number > 255) return nullptr;
  const int32_t index = LookupChannel(number);
  ChannelSlot* slot = IsFileSlot(index) ? SlotAt(index) : nullptr;
  if (slot != nullptr && slot->control != nullptr &&
      (slot->kind == kBinaryOutput || slot->kind == kBinaryReadWrite))
    return slot;
  return nullptr;
}
}  // namespace write_binary_detail

inline void WriteBinary(int16_t channel, uint32_t count, const void* address) {
  // A variable's bytes to an open binary output file: the checks that pass
  // without raising, then the write itself.
  ChannelSlot* slot = count != 0 ? write_binary_detail::BinaryOutputSlot(channel) : nullptr;
  if (slot != nullptr)
    return WriteToFile(*slot, static_cast<const uint8_t*>(address), count,
                       core::kLocWriteBinaryWrite);
  write_binary_detail::WriteBinaryChecked(channel, count, address);
}

}  // namespace tolvex::io
