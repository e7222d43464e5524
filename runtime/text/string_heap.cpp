// The StringHeap: a movable area of string blocks, compacted lazily and grown
// or shrunk in whole chunks. Every resize allocates a new area and copies, so
// the heap really moves and stale pointers show up at once.
#include "runtime/text/string_heap.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "runtime/core/error_codes.h"
#include "runtime/core/runtime_error.h"
#include "runtime/os/memory.h"

namespace tolvex::text {

namespace string_heap_detail {
Heap heap;
uint8_t* work = nullptr;
size_t work_size = 0;
}  // namespace string_heap_detail

namespace {

using core::RaiseError;
using string_heap_detail::Heap;
using string_heap_detail::WorkSize;
Heap& g_heap = string_heap_detail::heap;
uint8_t*& g_work = string_heap_detail::work;
size_t& g_work_size = string_heap_detail::work_size;

// Owner table: a block's 32-bit owner field indexes it; entry 0 is never used
// so that 0 can mark a free block. Freed entries are reused.
std::vector<StringValue*> g_owners(1, nullptr);
std::vector<uint32_t> g_free_owner_ids;

uint32_t Capacity() { return g_heap.chunks * kHeapChunk; }

struct BlockHeader {
  uint32_t owner;
  uint32_t frame_marker;
  uint32_t length;
};

BlockHeader ReadHeader(const uint8_t* at) {
  BlockHeader header;
  std::memcpy(&header, at, sizeof header);
  return header;
}

void WriteOwnerId(uint8_t* at, uint32_t id) { std::memcpy(at, &id, sizeof id); }

uint8_t* HeaderOf(const uint8_t* text) {
  return const_cast<uint8_t*>(text) - kBlockHeader;
}

uint32_t NewOwnerId(StringValue* owner) {
  if (!g_free_owner_ids.empty()) {
    uint32_t id = g_free_owner_ids.back();
    g_free_owner_ids.pop_back();
    g_owners[id] = owner;
    return id;
  }
  g_owners.push_back(owner);
  return static_cast<uint32_t>(g_owners.size() - 1);
}

// Walks the blocks from `from` to the end and points each owner at its text.
void RefreshOwners(uint32_t from) {
  for (uint32_t at = from; at < g_heap.used;) {
    BlockHeader header = ReadHeader(g_heap.base + at);
    if (header.owner != 0) g_owners[header.owner]->bytes = g_heap.base + at + kBlockHeader;
    at += kBlockHeader + header.length;
  }
}

bool MoveHeapTo(uint8_t* area, uint32_t chunks) {
  std::memcpy(area, g_heap.base, g_heap.used);
  os::Release(g_heap.base);
  g_heap.base = area;
  g_heap.chunks = chunks;
  RefreshOwners(0);
  return true;
}

// Moves the heap to a new zero-filled area of `chunks` chunks; false when
// the memory cannot be had (the old area is kept then).
bool ResizeHeap(uint32_t chunks) {
  auto* area = static_cast<uint8_t*>(os::AllocateZeroed(size_t{chunks} * kHeapChunk));
  return area != nullptr && MoveHeapTo(area, chunks);
}

// The work copy of a string being appended: kept from one append to the
// next (taking and freeing it per string was a tenth of reading a tile),
// grown when a longer string comes, and given back after a long one so
// that a single huge string does not pin its size for good.
constexpr size_t kKeptWorkCopy = kHeapChunk;

uint8_t* TakeWorkCopy(uint32_t length) {
  const size_t size = WorkSize(length);
  if (g_work != nullptr && g_work_size >= size) return g_work;
  auto* work = static_cast<uint8_t*>(os::Allocate(size));
  if (work == nullptr) return nullptr;
  os::Release(g_work);
  g_work = work;
  g_work_size = size;
  return work;
}

void GiveBackWorkCopy() {
  if (g_work_size <= kKeptWorkCopy) return;
  os::Release(g_work);
  g_work = nullptr;
  g_work_size = 0;
}

#ifdef TOLVEX_HEAP_STRESS
// Stress build: squeeze and move on every allocation, so any pointer kept
// into the heap across an allocation is caught at once. Bypasses the fault
// injection so that tests count the same allocations in every build.
void StressMove() {
  CompactStrings();
  auto* area = static_cast<uint8_t*>(std::calloc(g_heap.chunks, kHeapChunk));
  if (area != nullptr) MoveHeapTo(area, g_heap.chunks);
}
#endif

}  // namespace

uint32_t CompactStrings() {
  if (g_heap.base == nullptr) return kHeapChunk;
  uint32_t first_moved = g_heap.used;
  for (uint32_t at = 0; at < g_heap.used;) {
    BlockHeader header = ReadHeader(g_heap.base + at);
    if (header.owner != 0) {
      at += kBlockHeader + header.length;
      continue;
    }
    // Measure the run of free blocks that starts here.
    uint32_t run = 0;
    while (at + run < g_heap.used) {
      BlockHeader next = ReadHeader(g_heap.base + at + run);
      if (next.owner != 0) break;
      run += kBlockHeader + next.length;
    }
    g_heap.used -= run;
    std::memmove(g_heap.base + at, g_heap.base + at + run, g_heap.used - at);
    if (at < first_moved) first_moved = at;
  }
  if (first_moved < g_heap.used) RefreshOwners(first_moved);

  uint32_t wanted = g_heap.used / kHeapChunk + 1;
  if (wanted < g_heap.chunks && !ResizeHeap(wanted))
    RaiseError(core::kErrStringHeap, core::kLocHeapShrink);
  return Capacity() - g_heap.used;
}

const uint8_t* AppendBlock(uint32_t length, const uint8_t* source) {
  const uint32_t needed = length + kBlockHeader;
  if (g_heap.base == nullptr) {
    uint32_t chunks = needed / kHeapChunk + 1;
    g_heap.base = static_cast<uint8_t*>(os::AllocateZeroed(size_t{chunks} * kHeapChunk));
    if (g_heap.base == nullptr) {
      RaiseError(core::kErrOutOfMemory, core::kLocStackFull);
      return nullptr;
    }
    g_heap.chunks = chunks;
    g_heap.used = 0;
  } else {
    // The work copy is had (or refused) on every append, whether or not it
    // is filled, so that running out of memory shows at the same point
    // whatever the heap's state.
    uint8_t* work = TakeWorkCopy(length);
    if (work == nullptr) {
      RaiseError(core::kErrOutOfMemory, core::kLocStackMemory);
      return nullptr;
    }
    // The source may itself lie in the heap, which moves only when it has
    // to make room (or on every append in the stress build): only then
    // are the bytes copied aside first.
    if (kHeapStressBuild || Capacity() - g_heap.used < needed) {
      std::memcpy(work, source, length);
      source = work;
    }
#ifdef TOLVEX_HEAP_STRESS
    StressMove();
#endif
    if (Capacity() - g_heap.used < needed) {
      uint32_t free = CompactStrings();
      if (free < needed) {
        uint32_t chunks = g_heap.chunks + (needed - free) / kHeapChunk + 1;
        if (!ResizeHeap(chunks)) {
          GiveBackWorkCopy();
          RaiseError(core::kErrStringHeap, core::kLocHeapGrow);
          return nullptr;
        }
      }
    }
  }
  uint8_t* at = g_heap.base + g_heap.used;
  const BlockHeader header{0, 0, length};
  std::memcpy(at, &header, sizeof header);
  std::memcpy(at + kBlockHeader, source, length);
  g_heap.used += needed;
  GiveBackWorkCopy();
  return at + kBlockHeader;
}

void SetBlockOwner(const uint8_t* text, StringValue* owner) {
  uint8_t* header = HeaderOf(text);
  uint32_t id = ReadHeader(header).owner;
  if (id != 0) {
    g_owners[id] = owner;
  } else {
    WriteOwnerId(header, NewOwnerId(owner));
  }
}

void FreeBlock(const uint8_t* text) {
  uint8_t* header = HeaderOf(text);
  uint32_t id = ReadHeader(header).owner;
  if (id == 0) return;
  g_owners[id] = nullptr;
  g_free_owner_ids.push_back(id);
  WriteOwnerId(header, 0);
}

HeapStats StringHeapStats() {
  uint32_t live = 0;
  for (uint32_t at = 0; at < g_heap.used;) {
    BlockHeader header = ReadHeader(g_heap.base + at);
    if (header.owner != 0) ++live;
    at += kBlockHeader + header.length;
  }
  return HeapStats{g_heap.chunks, g_heap.used, g_heap.base, live};
}

void ResetStringHeap() {
  os::Release(g_work);
  g_work = nullptr;
  g_work_size = 0;
  os::Release(g_heap.base);
  g_heap = Heap{};
  g_owners.assign(1, nullptr);
  g_free_owner_ids.clear();
}

}  // namespace tolvex::text
