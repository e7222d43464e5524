// The output path of a file slot: bytes written by WriteText and WriteBinary
// go to the system's position through a per-file buffer, so the raster's
// 843,750 two-byte writes become a few dozen system writes. The file's
// bytes, their order and its length are those of one write per call, and
// everything buffered is written by CloseChannel, which the frame runs on
// every way out. Holds no OS code beyond the file seam.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "runtime/io/channel_table.h"

namespace tolvex::io {

// Writes `count` bytes at the file's position: position += count, length
// raised past it. Failures raise at `location`: a pending flush or a write
// that the system refuses (MapOsError's code, 67 for a full disk), or a file
// that would pass 4 GiB - 1 bytes (67). A failed write advances nothing.
// The slot kind is the caller's business.
// The bytes that fit the file's pending buffer are copied inline; the rest
// (the first write, a full buffer, an error to raise) take the call.
inline void WriteToFile(ChannelSlot& slot, const uint8_t* bytes, uint32_t count,
                        uint32_t location);

// WriteToFile for a run of elements: appends whole elements of `size`
// bytes, `stride` bytes apart from `first` on, for as long as WriteToFile
// would merely append each (bytes pending, no deferred error, room behind
// them, the file within 4 GiB - 1), and returns how many of `count` it
// took. The caller hands the next one to WriteToFile, which hands the
// buffer over or raises. Example: 5 pending bytes, 32,763 bytes of room,
// size 2, count 20000: takes 16,381 elements.
uint32_t AppendElements(FileControl& control, const uint8_t* first, uint32_t size,
                        uint32_t count, ptrdiff_t stride);

// Hands the pending bytes to the system. A failure is not raised here: its
// code (MapOsError's, or the table's alone when `map_errors` is false, at
// the program's very end) and the location of the oldest lost write are
// kept in the FileControl as its deferred error, and the pending bytes are
// dropped.
void FlushPending(ChannelSlot& slot, bool map_errors = true);

// The file seam's last refusal as a code: mapped (its number recorded for
// the report) while the program runs, the table's alone at its very end.
int16_t SystemFailureCode(bool map_errors);

// A write, flush or close that lost data: removes the files this run
// created (RemoveCreatedFiles), then raises `code` at `location`.
void RaiseWriteFailure(int16_t code, uint32_t location);

// Flushes every open file, so that a file opened now sees what earlier
// writes put into it. Failures become deferred errors of their files.
void FlushAllFiles();

// ------------------------------------------------- inline steps
// The raster is written two bytes at a time.

namespace write_buffer_detail {
void WriteThroughBuffer(ChannelSlot& slot, const uint8_t* bytes, uint32_t count,
                        uint32_t location);
}  // namespace write_buffer_detail

inline void WriteToFile(ChannelSlot& slot, const uint8_t* bytes, uint32_t count,
                        uint32_t location) {
  FileControl& control = *slot.control;
  // With bytes already pending (their location kept) and room behind them,
  // the call would only append: nothing to raise or hand over.
  if (control.deferred_code == 0 && control.pending_used != 0 && count != 0 &&
      count <= kWriteBufferBytes - control.pending_used &&
      control.position + uint64_t{count} <= os::kLargestFile) [[likely]] {
    std::memcpy(control.pending + control.pending_used, bytes, count);
    control.pending_used += count;
    control.position += count;
    if (control.position > control.length) control.length = control.position;
    return;
  }
  write_buffer_detail::WriteThroughBuffer(slot, bytes, count, location);
}

}  // namespace tolvex::io
