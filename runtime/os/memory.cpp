// The runtime's memory seam (see memory.h).
#include "runtime/os/memory.h"

#include <cstdlib>

#include "runtime/os/fault_countdown.h"

namespace tolvex::os {
namespace {
FaultCountdown g_allocations;
}  // namespace

void* Allocate(std::size_t size) {
  if (g_allocations.Refuse()) return nullptr;
  return std::malloc(size == 0 ? 1 : size);
}

void* AllocateZeroed(std::size_t size) {
  if (g_allocations.Refuse()) return nullptr;
  return std::calloc(1, size == 0 ? 1 : size);
}

void Release(void* block) { std::free(block); }

void FailAllocationsAfter(int successes) { g_allocations = FaultCountdown{successes}; }

}  // namespace tolvex::os
