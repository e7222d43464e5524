// SelectOutputChannel, WriteText and FormatOutputText (see write_text.h).
#include "runtime/io/write_text.h"

#include <cstring>

#include "runtime/core/error_codes.h"
#include "runtime/core/runtime_error.h"
#include "runtime/io/channel_table.h"
#include "runtime/io/console_output.h"
#include "runtime/io/io_context.h"
#include "runtime/io/line_end.h"
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

// ------------------------------------------------------- FormatOutputText

constexpr uint32_t kFormatLocation = core::kLocWriteTextFormat;

// Where one write's formatting stands: the bytes built so far and the line
// they are on.
struct Layout {
  uint8_t* out;
  uint32_t size;           // formatted bytes so far
  uint32_t column;
  bool earlier_line_open;  // the line began in an earlier write and has not ended
  bool after_lead;         // the last byte began a double-byte character
};

// Copies one byte of the text and moves the column past it: a tab to the
// next multiple of 8, a CR back to 0; a LF keeps it. Both end the line.
void PutTextByte(Layout& layout, uint8_t byte) {
  if (byte == kTab) layout.column = (layout.column & ~7u) + 8;
  else if (byte == kCarriageReturn) layout.column = 0;
  else if (byte != kLineFeed) ++layout.column;
  if (byte == kCarriageReturn || byte == kLineFeed) layout.earlier_line_open = false;
  layout.after_lead = !layout.after_lead && os::IsLeadByte(byte);
  layout.out[layout.size++] = byte;
}

// Puts a line end before the next byte, or before the lead byte just copied
// so that a double-byte character stays whole. False after raising 89: a
// break may not overtake the unread text, which begins at `unread`.
bool BreakLine(Layout& layout, uint32_t unread) {
  if (layout.size + 2 > unread) {
    core::RaiseError(core::kErrResources, kFormatLocation);
    return false;
  }
  const uint32_t moved = layout.after_lead ? 1 : 0;
  uint8_t* at = layout.out + layout.size - moved;
  if (moved != 0) at[2] = at[0];
  PutLineEnd(at);
  layout.size += 2;
  layout.column = moved;
  return true;
}

// Lays the text out from the column an earlier write left, breaking lines
// at the width (0: never). False after raising.
bool LayOutText(ChannelSlot& slot, Layout& layout, const OutputWork& work, uint32_t width) {
  const uint32_t start_column = layout.column;
  const uint32_t text_start = work.capacity - work.text_length;
  for (uint32_t i = 0; i < work.text_length; ++i) {
    if (width != 0 && layout.column >= width && layout.earlier_line_open) {
      // The earlier write's line is ended in the file at once, so the text
      // so far starts the next line.
      WriteToTarget(slot, kLineEnd, 2, kFormatLocation);
      layout.column -= start_column;
      layout.earlier_line_open = false;
    }
    if (width != 0 && layout.column >= width && !BreakLine(layout, text_start + i)) return false;
    PutTextByte(layout, work.bytes[text_start + i]);
  }
  return true;
}

// Adds the terminator: kEndLine a line end; kNextZone blanks to the next
// print zone, or a line end when the zone behind them would pass the width.
// False after raising 89 when it would outgrow the work copy.
bool PutTerminator(Layout& layout, int32_t terminator, uint32_t width, uint32_t capacity) {
  if (terminator != kEndLine && terminator != kNextZone) return true;
  const uint32_t pad = kPrintZone - layout.column % kPrintZone;
  const bool blanks =
      terminator == kNextZone && (width == 0 || layout.column + pad + kPrintZone <= width);
  const uint32_t added = blanks ? pad : 2;
  if (layout.size + added > capacity) {
    core::RaiseError(core::kErrResources, kFormatLocation);
    return false;
  }
  if (blanks) std::memset(layout.out + layout.size, kBlank, pad);
  else PutLineEnd(layout.out + layout.size);
  layout.column = blanks ? layout.column + pad : 0;
  layout.size += added;
  return true;
}

}  // namespace

void SelectOutputChannel(int16_t channel) {
  const int32_t slot =
      OpenChannelSlot(channel, core::kLocSelectOutputChannel, core::kLocSelectOutputClosed);
  if (slot != -1) CurrentOutput().slot = slot;
}

void FormatOutputText(int32_t slot_index, OutputWork* work, int32_t terminator) {
  if (slot_index == kKeyboardSlot)
    return core::RaiseError(core::kErrBadFileMode, kFormatLocation);
  ChannelSlot* slot = SlotAt(slot_index);
  if (slot == nullptr || !IsFileSlot(slot_index))
    return core::RaiseError(core::kErrSystemUnknown, kFormatLocation);
  FileControl& control = *slot->control;

  Layout layout{work->bytes, 0, control.column, control.column != 0, false};
  if (work->text_length == 1 && work->bytes[work->capacity - 1] == kFormFeed) {
    layout.out[layout.size++] = kFormFeed;  // a new page: its line starts at 0
    layout.column = 0;
  } else if (!LayOutText(*slot, layout, *work, control.width)) {
    return;
  }
  if (!PutTerminator(layout, terminator, control.width, work->capacity)) return;
  work->formatted_length = layout.size;
  // The column is kept in 16 bits, as the file's record holds it.
  control.column = static_cast<uint16_t>(layout.column);
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
