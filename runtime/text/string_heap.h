// The StringHeap: one movable area, in chunks of 262,144 bytes, holding string
// blocks end to end. Block = owner (32-bit), frame marker (32), length (32),
// bytes. The owner field is an index into the owner table, because owners are
// 64-bit addresses here; 0 marks a free block. After every move each live
// block's owner gets its bytes pointer set to the block's new text.
#pragma once
#include <cstddef>
#include <cstdint>

#include "runtime/text/string_value.h"

namespace tolvex::text {

constexpr uint32_t kHeapChunk = 0x40000;   // 262,144

// The stress build compacts and moves the heap on every allocation.
#ifdef TOLVEX_HEAP_STRESS
constexpr bool kHeapStressBuild = true;
#else
constexpr bool kHeapStressBuild = false;
#endif
constexpr uint32_t kBlockHeader = 12;

// The heap's part of NewTempText: makes room (making the heap, squeezing
// or growing it as needed), appends a block holding a copy of `source`
// (length > 0) and returns its text address. The block has no owner yet.
const uint8_t* AppendBlock(uint32_t length, const uint8_t* source);
// True when AppendBlock(length, ...) would now take no memory and move
// nothing: the heap and a large enough work copy exist and the block fits
// the room left. Inline: asked for every entry of a tile.
inline bool AppendNeedsNoMemory(uint32_t length);
// Makes `owner` the owner of the block whose text starts at `text`.
void SetBlockOwner(const uint8_t* text, StringValue* owner);
// Marks the block whose text starts at `text` free.
void FreeBlock(const uint8_t* text);
// Squeezes out free blocks, shrinks the area, refreshes owners; returns the
// free bytes (262,144 when there is no heap).
uint32_t CompactStrings();

struct HeapStats {
  uint32_t chunks;
  uint32_t used;
  const uint8_t* base;
  uint32_t live_blocks;
};
HeapStats StringHeapStats();
void ResetStringHeap();

// ------------------------------------------------------------ inline steps

namespace string_heap_detail {
struct Heap {
  uint8_t* base = nullptr;
  uint32_t chunks = 0;
  uint32_t used = 0;
};
extern Heap heap;
// The work copy AppendBlock takes on every append, kept between appends.
extern uint8_t* work;
extern size_t work_size;
inline size_t WorkSize(uint32_t length) { return (size_t{length} + 7) & ~size_t{7}; }
}  // namespace string_heap_detail

inline bool AppendNeedsNoMemory(uint32_t length) {
  using namespace string_heap_detail;
  return heap.base != nullptr && work != nullptr && work_size >= WorkSize(length) &&
         heap.chunks * kHeapChunk - heap.used >= length + kBlockHeader;
}

}  // namespace tolvex::text
