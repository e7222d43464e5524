// SelectOutputChannel, WriteText and FormatOutputText (see write_text.h).
#include "runtime/io/write_text.h"

#include <cstring>

#include "runtime/core/error_codes.h"
#include "runtime/core/runtime_error.h"
#include "runtime/io/channel_table.h"
#include "runtime/io/console_output.h"
#include "runtime/io/io_context.h"
#include "runtime/io/steering_bytes.h"
#include "runtime/io/write_buffer.h"
#include "runtime/os/code_page.h"
#include "runtime/os/memory.h"
#include "runtime/text/string_stack.h"

namespace tolvex::io {
namespace {


bool IsTextOutputKind(int32_t kind) {
  return kind == kSequentialOutput || kind == kAppend || kind == kBinaryOutput ||
         kind == kBinaryReadWrite;
}

// One piece to a file target: nothing for an empty piece, 51 for a file
// that does not take text, else the buffered write.
void WriteToTarget(ChannelSlot& slot, const uint8_t* bytes, uint32_t count,
                   uint32_t location) {
  if (count == 0) return;
  if (!IsTextOutputKind(slot.kind))
    return core::RaiseError(core::kErrBadFileMode, location);
  WriteToFile(slot, bytes, count, location);
}

// Frees the work copy however WriteText ends.
struct WorkCopy {
  uint8_t* bytes;
  ~WorkCopy() { os::Release(bytes); }
};

}  // namespace

void SelectOutputChannel(int16_t channel) {
  const int32_t slot =
      OpenChannelSlot(channel, core::kLocSelectOutputChannel, core::kLocSelectOutputClosed);
  if (slot != -1) CurrentOutput().slot = slot;
}

void FormatOutputText(int32_t slot_index, OutputWork* work, int32_t terminator) {
  constexpr uint32_t kLocation = core::kLocWriteTextFormat;
  if (slot_index == kKeyboardSlot)
    return core::RaiseError(core::kErrBadFileMode, kLocation);
  ChannelSlot* slot = SlotAt(slot_index);
  if (slot == nullptr || !IsFileSlot(slot_index))
    return core::RaiseError(core::kErrSystemUnknown, kLocation);
  FileControl& control = *slot->control;

  uint8_t* out = work->bytes;
  const uint32_t text_start = work->capacity - work->text_length;
  const uint8_t* text = work->bytes + text_start;
  const uint32_t width = control.width;
  const uint32_t start_column = control.column;
  uint32_t column = start_column;
  uint32_t size = 0;  // formatted bytes so far

  if (work->text_length == 1 && text[0] == kFormFeed) {
    out[size++] = kFormFeed;
    column = 0;
  } else {
    bool broke = false;
    bool after_lead = false;  // the previous byte began a double-byte character
    for (uint32_t i = 0; i < work->text_length;) {
      const uint8_t byte = text[i];
      if (width != 0 && column >= width) {
        if (start_column != 0 && !broke) {
          // End the line an earlier write left open, then look again.
          WriteToTarget(*slot, kLineEnd, 2, kLocation);
          column -= start_column < column ? start_column : column;
          broke = true;
          continue;
        }
        // Breaks may not overtake the unread text behind them.
        if (size + 2 > text_start + i)
          return core::RaiseError(core::kErrResources, kLocation);
        if (after_lead) {
          // Keep the character whole: the break goes before its lead byte.
          out[size + 1] = out[size - 1];
          out[size - 1] = kCarriageReturn;
          out[size] = kLineFeed;
          column = 1;
        } else {
          out[size] = kCarriageReturn;
          out[size + 1] = kLineFeed;
          column = 0;
        }
        size += 2;
        broke = true;
      }
      if (byte == kTab) {
        column = (column & ~7u) + 8;
      } else if (byte == kLineFeed) {
        broke = true;
      } else if (byte == kCarriageReturn) {
        column = 0;
        broke = true;
      } else {
        ++column;
      }
      after_lead = !after_lead && os::IsLeadByte(byte);
      out[size++] = byte;
      ++i;
    }
  }

  if (terminator == kEndLine) {
    if (size + 2 > work->capacity) return core::RaiseError(core::kErrResources, kLocation);
    out[size++] = kCarriageReturn;
    out[size++] = kLineFeed;
    column = 0;
  } else if (terminator == kNextZone) {
    const uint32_t pad = kPrintZone - column % kPrintZone;
    const bool fits = width == 0 || (column + pad <= width && width - (column + pad) >= kPrintZone);
    const uint32_t added = fits ? pad : 2;
    if (size + added > work->capacity)
      return core::RaiseError(core::kErrResources, kLocation);
    if (fits) {
      std::memset(out + size, kBlank, pad);
      column += pad;
    } else {
      out[size] = kCarriageReturn;
      out[size + 1] = kLineFeed;
      column = 0;
    }
    size += added;
  }
  work->formatted_length = size;
  // The column is kept in 16 bits, as the file's record holds it.
  control.column = static_cast<uint16_t>(column);
}

void WriteText(int32_t terminator) {
  text::StringValue operand = text::PopText();
  const uint32_t capacity = operand.length + kWorkExtra;
  WorkCopy copy{static_cast<uint8_t*>(os::Allocate(capacity))};
  if (copy.bytes == nullptr) {
    text::ReleaseIfTemporary(operand);
    return core::RaiseError(core::kErrResources, core::kLocWriteTextBuffer);
  }
  const int32_t target = CurrentOutput().slot;
  const bool screen = target == kScreenSlot;
  uint8_t* place = screen ? copy.bytes : copy.bytes + kWorkExtra;
  if (operand.length != 0) std::memcpy(place, operand.bytes, operand.length);
  text::ReleaseIfTemporary(operand);

  if (screen) return WriteTextToConsole(copy.bytes, operand.length, capacity, terminator);

  OutputWork work{copy.bytes, capacity, operand.length, 0};
  FormatOutputText(target, &work, terminator);
  ChannelSlot* slot = SlotAt(target);
  if (slot == nullptr) return;  // only when a raise above was ignored
  WriteToTarget(*slot, copy.bytes, work.formatted_length, core::kLocWriteTextWrite);
}

}  // namespace tolvex::io
