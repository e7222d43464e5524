// The runtime's memory seam (see memory.h).
#include "runtime/os/memory.h"

#include <cstdlib>

namespace tolvex::os {
namespace {
int g_successes_left = -1;

bool InjectedFailure() {
  if (g_successes_left < 0) return false;
  if (g_successes_left == 0) return true;
  --g_successes_left;
  return false;
}
}  // namespace

void* Allocate(std::size_t size) {
  if (InjectedFailure()) return nullptr;
  return std::malloc(size == 0 ? 1 : size);
}

void* AllocateZeroed(std::size_t size) {
  if (InjectedFailure()) return nullptr;
  return std::calloc(1, size == 0 ? 1 : size);
}

void Release(void* block) { std::free(block); }

void FailAllocationsAfter(int successes) { g_successes_left = successes; }

}  // namespace tolvex::os
