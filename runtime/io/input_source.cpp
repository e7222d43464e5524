// Selecting the input source and the reads' work buffer (see input_source.h).
#include "runtime/io/input_source.h"

#include "runtime/core/error_codes.h"
#include "runtime/core/runtime_error.h"
#include "runtime/io/channel_table.h"
#include "runtime/os/memory.h"
#include "runtime/text/string_stack.h"

namespace tolvex::io {
namespace input_source_detail {
uint8_t* kept_buffer = nullptr;
uint32_t kept_size = 0;
}  // namespace input_source_detail

namespace {
uint8_t*& g_kept_buffer = input_source_detail::kept_buffer;
uint32_t& g_kept_size = input_source_detail::kept_size;
}  // namespace

InputBuffer::InputBuffer(uint32_t size, uint32_t location)
    : bytes_(static_cast<uint8_t*>(os::Allocate(size))) {
  if (bytes_ == nullptr) core::RaiseError(core::kErrOutOfMemory, location);
}

InputBuffer::~InputBuffer() { os::Release(bytes_); }

uint8_t* KeptInputBuffer(uint32_t size, uint32_t location) {
  if (g_kept_buffer != nullptr && g_kept_size >= size) return g_kept_buffer;
  auto* bytes = static_cast<uint8_t*>(os::Allocate(size));
  if (bytes == nullptr) {
    core::RaiseError(core::kErrOutOfMemory, location);
    return nullptr;
  }
  os::Release(g_kept_buffer);
  g_kept_buffer = bytes;
  g_kept_size = size;
  return bytes;
}

void ReleaseInputBuffers() {
  os::Release(g_kept_buffer);
  g_kept_buffer = nullptr;
  g_kept_size = 0;
}

}  // namespace tolvex::io
