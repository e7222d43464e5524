// Selecting the input source and the reads' work buffer (see input_source.h).
#include "runtime/io/input_source.h"

#include "runtime/frame/error_codes.h"
#include "runtime/frame/runtime_error.h"
#include "runtime/io/channel_table.h"
#include "runtime/os/memory.h"
#include "runtime/text/string_stack.h"

namespace tolvex::io {
namespace {

uint8_t* g_kept_buffer = nullptr;
uint32_t g_kept_size = 0;

}  // namespace

void SelectInputSource(int16_t channel, uint32_t mode_flags, uint32_t range_location,
                       uint32_t closed_location, uint32_t kind_location) {
  const int32_t slot = OpenChannelSlot(channel, range_location, closed_location);
  if (slot == -1) return;
  const bool readable = slot == kKeyboardSlot ||
                        (slot >= kFirstSerialSlot && slot <= kLastSerialSlot) ||
                        IsFileSlot(slot);
  if (!readable) return frame::RaiseError(frame::kErrBadFileMode, kind_location);
  InputContext& input = CurrentInput();
  input.source = slot;
  input.mode_flags = mode_flags;
  input.recorded_depth = text::StackDepth();
}

InputBuffer::InputBuffer(uint32_t size, uint32_t location)
    : bytes_(static_cast<uint8_t*>(os::Allocate(size))) {
  if (bytes_ == nullptr) frame::RaiseError(frame::kErrOutOfMemory, location);
}

InputBuffer::~InputBuffer() { os::Release(bytes_); }

uint8_t* KeptInputBuffer(uint32_t size, uint32_t location) {
  if (g_kept_buffer != nullptr && g_kept_size >= size) return g_kept_buffer;
  auto* bytes = static_cast<uint8_t*>(os::Allocate(size));
  if (bytes == nullptr) {
    frame::RaiseError(frame::kErrOutOfMemory, location);
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
