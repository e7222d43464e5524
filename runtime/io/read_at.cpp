// ReadAt and its read-ahead cache (see read_at.h).
// Only kind 1 files are read and those are never written, so the cache
// cannot go stale; output bypasses it entirely.
#include "runtime/io/read_at.h"

#include <cstring>

#include "runtime/core/os_error.h"
#include "runtime/core/runtime_error.h"

namespace tolvex::io {
namespace {

// Reads the next piece at the system's position into the buffer from
// `offset` on; false when the system refuses (already raised).
bool ReadPiece(ChannelSlot& slot, uint32_t offset, uint32_t* got, uint32_t location) {
  FileControl& control = *slot.control;
  if (!os::ReadFile(slot.handle, control.read_ahead + offset,
                    control.cache_capacity - offset, got)) {
    control.cache_end = 0;
    control.read_hint = 0;
    core::RaiseError(core::MapOsError(), location);
    return false;
  }
  return true;
}

}  // namespace

const uint8_t* CachedBytesAt(ChannelSlot& slot, uint32_t position, uint32_t count,
                             uint32_t* got, uint32_t location) {
  FileControl& control = *slot.control;
  *got = 0;
  if (control.cache_end == 0 || position < control.cache_start ||
      position >= control.cache_end) {
    if (control.read_hint != position || position == 0) {
      if (!os::SeekFile(slot.handle, position)) {
        control.read_hint = 0;
        core::RaiseError(core::MapOsError(), location);
        return control.read_ahead;
      }
    }
    uint32_t read = 0;
    if (!ReadPiece(slot, 0, &read, location)) return control.read_ahead;
    control.cache_start = position;
    control.cache_end = position + read;
    control.read_hint = control.cache_end;
    if (read == 0) {
      control.cache_end = 0;  // nothing cached: at or past the end
      return control.read_ahead;
    }
  }
  const uint32_t available = control.cache_end - position;
  const uint8_t* cached = control.read_ahead + (position - control.cache_start);
  if (available >= count) {
    *got = count;
    return cached;
  }
  // The request runs past the cache. Its cached part moves to the front of
  // the buffer and the next piece is read behind it, so the cache then
  // starts at `position`: the next line or field, which starts at or after
  // it, is served from the cache instead of seeking back and reading the
  // same piece again.
  // A cache that reaches the length found at open holds the rest of the
  // file: asking the system again would only find its end.
  if (control.cache_end >= control.length) {
    *got = available;
    return cached;
  }
  std::memmove(control.read_ahead, cached, available);
  uint32_t read = 0;
  if (!ReadPiece(slot, available, &read, location)) return control.read_ahead;
  control.cache_start = position;
  control.cache_end = position + available + read;
  control.read_hint = control.cache_end;
  *got = count < available + read ? count : available + read;
  return control.read_ahead;
}

uint32_t ReadAt(ChannelSlot& slot, uint32_t position, uint8_t* destination,
                uint32_t count, uint32_t location) {
  uint32_t got = 0;
  const uint8_t* cached = CachedBytesAt(slot, position, count, &got, location);
  if (got > 0) std::memcpy(destination, cached, got);
  return got;
}

}  // namespace tolvex::io
