// The shared scratch buffer (see scratch_buffer.h).
#include "runtime/text/scratch_buffer.h"

#include "runtime/core/error_codes.h"
#include "runtime/core/runtime_error.h"
#include "runtime/os/memory.h"

namespace tolvex::text {
namespace {
constexpr uint32_t kFixedArea = 512;
uint8_t g_fixed[kFixedArea];
uint8_t* g_block = nullptr;  // kept between requests until given back
uint32_t g_block_size = 0;
}  // namespace

uint8_t* TryTakeScratch(uint32_t size) {
  if (size <= kFixedArea) return g_fixed;
  if (g_block != nullptr && size <= g_block_size) return g_block;
  os::Release(g_block);
  g_block = static_cast<uint8_t*>(os::Allocate(size));
  g_block_size = g_block != nullptr ? size : 0;
  return g_block;
}

uint8_t* TakeScratch(uint32_t size) {
  uint8_t* room = TryTakeScratch(size);
  if (room == nullptr) core::RaiseError(core::kErrOutOfMemory, core::kLocScratchBuffer);
  return room;
}

void GiveBackScratch() {
  os::Release(g_block);
  g_block = nullptr;
  g_block_size = 0;
}

}  // namespace tolvex::text
