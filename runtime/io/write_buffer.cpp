// The buffered output path of file slots (see write_buffer.h).
#include "runtime/io/write_buffer.h"

#include <algorithm>
#include <cstring>

#include "runtime/core/os_error.h"
#include "runtime/core/runtime_error.h"
#include "runtime/os/memory.h"

namespace tolvex::io {
namespace {

// Writes the pending bytes; they are dropped either way, so a failed piece
// is never written twice. The system's last error tells why it failed.
bool HandOver(ChannelSlot& slot) {
  FileControl& control = *slot.control;
  uint32_t used = control.pending_used;
  control.pending_used = 0;
  if (used == 0) return true;
  return os::WriteFile(slot.handle, control.pending, used);
}

// An earlier flush failed where nothing could be raised: the data it lost
// is reported now, at the location of the write that lost it.
void RaiseDeferred(FileControl& control) {
  int16_t code = control.deferred_code;
  control.deferred_code = 0;
  RaiseWriteFailure(code, control.deferred_location);
}

}  // namespace

int16_t SystemFailureCode(bool map_errors) {
  return map_errors ? core::MapOsError() : core::CodeForOsError(os::LastOsError());
}

void RaiseWriteFailure(int16_t code, uint32_t location) {
  RemoveCreatedFiles();
  core::RaiseError(code, location);
}

namespace write_buffer_detail {

void WriteThroughBuffer(ChannelSlot& slot, const uint8_t* bytes, uint32_t count,
                        uint32_t location) {
  FileControl& control = *slot.control;
  if (control.deferred_code != 0) {
    RaiseDeferred(control);
    return;
  }
  if (count == 0) return;
  if (static_cast<uint64_t>(control.position) + count > os::kLargestFile) {
    os::RefuseFileTooLarge();
    RaiseWriteFailure(core::MapOsError(), location);
    return;
  }
  if (control.pending_used + static_cast<uint64_t>(count) > kWriteBufferBytes) {
    if (!HandOver(slot)) {
      RaiseWriteFailure(core::MapOsError(), location);
      return;
    }
  }
  if (control.pending == nullptr && count < kWriteBufferBytes)
    control.pending = static_cast<uint8_t*>(os::Allocate(kWriteBufferBytes));
  if (control.pending == nullptr || count >= kWriteBufferBytes) {
    // Large pieces (and every piece, when no buffer could be had) go
    // straight to the system, after what is pending.
    if (!os::WriteFile(slot.handle, bytes, count)) {
      RaiseWriteFailure(core::MapOsError(), location);
      return;
    }
  } else {
    if (control.pending_used == 0) control.pending_location = location;
    std::memcpy(control.pending + control.pending_used, bytes, count);
    control.pending_used += count;
  }
  control.position += count;
  if (control.position > control.length) control.length = control.position;
}

}  // namespace write_buffer_detail

uint32_t AppendElements(FileControl& control, const uint8_t* first, uint32_t size,
                        uint32_t count, ptrdiff_t stride) {
  if (control.deferred_code != 0 || control.pending_used == 0 || size == 0) return 0;
  const uint64_t room = std::min<uint64_t>(kWriteBufferBytes - control.pending_used,
                                           os::kLargestFile - control.position);
  const auto taken = static_cast<uint32_t>(std::min<uint64_t>(count, room / size));
  uint8_t* out = control.pending + control.pending_used;
  const uint8_t* element = first;
  if (size == 2) {
    // The raster's int16 samples: a fixed-size move, not a call to copy.
    for (uint32_t i = 0; i < taken; ++i, out += 2, element += stride) std::memcpy(out, element, 2);
  } else {
    for (uint32_t i = 0; i < taken; ++i, out += size, element += stride)
      std::memcpy(out, element, size);
  }
  control.pending_used += taken * size;
  control.position += taken * size;
  if (control.position > control.length) control.length = control.position;
  return taken;
}

void FlushPending(ChannelSlot& slot, bool map_errors) {
  FileControl& control = *slot.control;
  uint32_t location = control.pending_location;
  if (HandOver(slot)) return;
  // No earlier deferred error waits here: a write raises it before it
  // buffers anything, so there was nothing to hand over behind it.
  control.deferred_code = SystemFailureCode(map_errors);
  control.deferred_location = location;
}

void FlushAllFiles() {
  for (int32_t index = kFirstFileSlot; index <= kLastFileSlot; ++index)
    if (ChannelSlot* slot = SlotAt(index)) FlushPending(*slot);
}

}  // namespace tolvex::io
