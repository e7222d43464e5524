// SelectLineSource and ReadLine with the line reader of a file slot (see
// line_reader.h).
#include "runtime/io/line_reader.h"

#include "runtime/core/error_codes.h"
#include "runtime/core/runtime_error.h"
#include "runtime/io/channel_table.h"
#include "runtime/io/input_source.h"
#include "runtime/io/line_end.h"
#include "runtime/io/read_at.h"
#include "runtime/os/memory.h"
#include "runtime/text/string_stack.h"

namespace tolvex::io {
namespace {


// Reads one line into `line`; *size is its length. Failures raise at 0x5002.
void ReadFileLine(int32_t slot_index, uint8_t* line, uint32_t* size) {
  constexpr uint32_t kLocation = core::kLocReadLine;
  ChannelSlot* slot = ReadableInputSlot(slot_index, kLocation);
  if (slot == nullptr) return;
  FileControl& control = *slot->control;

  const uint32_t last_offset = control.length - 1;
  ByteCursor cursor(*slot, control.position, kLocation);
  uint32_t count = 0;
  uint8_t byte = 0;
  while (cursor.Peek(&byte)) {
    if (TakeLineEnd(cursor, byte, last_offset) != LineEnd::kNone) break;
    if (byte != 0) {
      if (count == kLongestLine) return core::RaiseError(core::kErrStringTooLong, kLocation);
      line[count++] = byte;
    }
    cursor.Advance();
  }
  *size = count;
  control.position = cursor.Offset();
}

}  // namespace

void SelectLineSource(int16_t channel) {
  SelectInputSource(channel, kLineMode, core::kLocLineSourceChannel,
                    core::kLocLineSourceClosed, core::kLocLineSourceKind);
}

void ReadLine(text::StringValue* variable) {
  if (variable->kind == text::kNeverAssigned) variable->kind = text::kStringVariable;
  InputBuffer line(kLineBufferBytes, core::kLocReadLineBuffer);
  if (line.bytes() == nullptr) return;
  uint32_t size = 0;
  ReadFileLine(CurrentInput().source, line.bytes(), &size);
  text::NewTempText(size, line.bytes());
  text::AssignText(variable);
  text::SetStackDepth(CurrentInput().recorded_depth);
}

}  // namespace tolvex::io
