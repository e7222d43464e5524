// WriteBinary (see write_binary.h).
#include "runtime/io/write_binary.h"

#include "runtime/core/error_codes.h"
#include "runtime/core/runtime_error.h"
#include "runtime/io/channel_table.h"
#include "runtime/io/write_buffer.h"
#include "runtime/text/string_value.h"

namespace tolvex::io {

namespace write_binary_detail {

void WriteBinaryChecked(int16_t channel, uint32_t count, const void* address) {
  const int32_t index =
      OpenChannelSlot(channel, core::kLocWriteBinaryChannel, core::kLocWriteBinaryClosed);
  if (index == -1) return;
  if (!IsFileSlot(index))
    return core::RaiseError(core::kErrBadFileMode, core::kLocWriteBinaryNotFile);
  ChannelSlot* slot = SlotAt(index);
  if (slot == nullptr || slot->control == nullptr)
    return core::RaiseError(core::kErrBadFileMode, core::kLocWriteBinarySlot);
  if (slot->kind != kBinaryOutput && slot->kind != kBinaryReadWrite)
    return core::RaiseError(core::kErrBadFileMode, core::kLocWriteBinaryKind);

  if (count != 0)
    return WriteToFile(*slot, static_cast<const uint8_t*>(address), count,
                       core::kLocWriteBinaryWrite);
  const auto* variable = static_cast<const text::StringValue*>(address);
  if (variable == nullptr || variable->kind != text::kStringVariable)
    return core::RaiseError(core::kErrTypeMismatch, core::kLocWriteBinaryString);
  WriteToFile(*slot, variable->bytes, variable->length, core::kLocWriteBinaryStringWrite);
}

}  // namespace write_binary_detail

void WriteBinaryElements(int16_t channel, uint32_t size, uint32_t count, const void* first,
                         ptrdiff_t stride) {
  // Runs that only append go in at once; the element after each run takes
  // WriteBinary, which hands the full buffer over (or raises) as its own
  // call would.
  const auto* element = static_cast<const uint8_t*>(first);
  while (count != 0) {
    ChannelSlot* slot = write_binary_detail::BinaryOutputSlot(channel);
    const uint32_t appended =
        slot != nullptr ? AppendElements(*slot->control, element, size, count, stride) : 0;
    element += ptrdiff_t{appended} * stride;
    count -= appended;
    if (count == 0) return;
    WriteBinary(channel, size, element);
    element += stride;
    --count;
  }
}

}  // namespace tolvex::io
