// ReadAt: positioned reading of a file slot through its 32,768-byte
// read-ahead buffer, so the line and item readers' 256-byte requests cost
// one system read every 32,768 bytes. Holds no OS code beyond the file seam.
#pragma once
#include <cstdint>

#include "runtime/io/channel_table.h"

namespace tolvex::io {

// Copies up to `count` bytes of the file from `position` to `destination`
// and returns how many it copied (fewer only at the end of the file, 0 when
// `position` is at or past it). A system read failure raises MapOsError's
// code at `location` (and 0 is returned if the raise is ignored).
// Example: on a 10-byte file, ReadAt(slot, 8, buffer, 256, loc) returns 2.
uint32_t ReadAt(ChannelSlot& slot, uint32_t position, uint8_t* destination,
                uint32_t count, uint32_t location);

// ReadAt without the copy: the same system calls and the same count in
// *got, but the bytes are left in the slot's read-ahead buffer and their
// address is returned. It stays valid until the slot's cache is next asked
// for bytes (by either call) or the file is closed.
const uint8_t* CachedBytesAt(ChannelSlot& slot, uint32_t position, uint32_t count,
                             uint32_t* got, uint32_t location);

// CachedBytesAt for a request the cache holds whole, as nearly every one
// does, answered without the call; the rest go to CachedBytesAt.
inline const uint8_t* CachedBytesInline(ChannelSlot& slot, uint32_t position, uint32_t count,
                                        uint32_t* got, uint32_t location) {
  const FileControl& control = *slot.control;
  if (position >= control.cache_start && position < control.cache_end &&
      control.cache_end - position >= count) {
    *got = count;
    return control.read_ahead + (position - control.cache_start);
  }
  return CachedBytesAt(slot, position, count, got, location);
}

// Walks a file's bytes from a position for the line and field readers,
// asking for 256 bytes at a time as they are used up. The bytes are read in
// place in the read-ahead buffer: nothing else asks the slot's cache for
// bytes while a cursor walks it, so its window stays valid.
class ByteCursor {
 public:
  static constexpr uint32_t kPiece = 256;

  ByteCursor(ChannelSlot& slot, uint32_t position, uint32_t location)
      : slot_(slot), start_(position), location_(location) {}
  // The next byte, not consumed yet; false at the end of the file.
  bool Peek(uint8_t* byte) {
    if (index_ == have_) {
      start_ += have_;
      index_ = 0;
      piece_ = CachedBytesInline(slot_, start_, kPiece, &have_, location_);
      if (have_ == 0) return false;
    }
    *byte = piece_[index_];
    return true;
  }
  // Consumes the byte that Peek returned.
  void Advance() { ++index_; }
  // After a Peek that found a byte: that byte and the ones behind it in the
  // piece in hand (at least one), for a reader that takes a run at once.
  const uint8_t* Rest(uint32_t* count) const {
    *count = have_ - index_;
    return piece_ + index_;
  }
  // Consumes `count` bytes of those Rest showed.
  void Skip(uint32_t count) { index_ += count; }
  // File offset of the next byte.
  uint32_t Offset() const { return start_ + index_; }

 private:
  ChannelSlot& slot_;
  uint32_t start_;  // file offset of piece_[0]
  uint32_t location_;
  uint32_t have_ = 0;
  uint32_t index_ = 0;
  const uint8_t* piece_ = nullptr;  // have_ bytes in the read-ahead buffer
};

}  // namespace tolvex::io
