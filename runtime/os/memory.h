// The runtime's memory seam: every allocation the runtime reports as an error
// (codes 7, 82, 89) goes through here, so tests can make the Nth one fail.
#pragma once
#include <cstddef>

namespace tolvex::os {

void* Allocate(std::size_t size);          // nullptr on failure
void* AllocateZeroed(std::size_t size);    // nullptr on failure
void Release(void* block);                 // nullptr is fine

// Test hook: let `successes` more allocations succeed, then fail every one
// until called again with a negative count (the default: never fail).
void FailAllocationsAfter(int successes);

}  // namespace tolvex::os
