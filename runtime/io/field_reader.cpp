// ReadField (see field_reader.h): one pass over the file's bytes with the
// state of the field (quote open, started, closed).
#include "runtime/io/field_reader.h"

#include <array>
#include <cstring>

#include "runtime/core/error_codes.h"
#include "runtime/core/runtime_error.h"
#include "runtime/io/item_scanner.h"
#include "runtime/io/read_at.h"
#include "runtime/io/steering_bytes.h"

namespace tolvex::io {
namespace {

// Bytes that steer nothing: inside a field that is not closed each is
// simply copied, so a run of them is taken at once.
constexpr std::array<bool, 256> kPlainBytes =
    PlainBytes({0, kCarriageReturn, kEndOfFileMark, kBlank, kQuote, ',', ':'});

struct FieldState {
  bool quote_open = false;
  bool quote_closed = false;
  bool started = false;  // a byte of the item itself was copied
  bool closed = false;   // a closing quote or a blank after a number
};

}  // namespace

void ReadField(int32_t slot_index, uint8_t* buffer, uint32_t item_type, uint32_t location) {
  ChannelSlot* slot = ReadableInputSlot(slot_index, location);
  if (slot == nullptr) return;
  FileControl& control = *slot->control;

  const bool numeric_item = IsNumericItem(item_type);
  const uint32_t last_offset = control.length - 1;
  ByteCursor cursor(*slot, control.position, location);
  FieldState state;
  uint32_t size = 0;
  uint8_t byte = 0;
  while (cursor.Peek(&byte)) {
    if (kPlainBytes[byte] && !state.closed) {
      uint32_t left = 0;
      const uint8_t* run = cursor.Rest(&left);
      uint32_t count = 1;
      while (count < left && kPlainBytes[run[count]]) ++count;
      // The terminator needs the last byte of the buffer. (Scanning first
      // and copying after costs fewer steps than copying while scanning.)
      if (count >= kFieldBufferBytes - size) {
        buffer[0] = 0;  // an ignored raise leaves an empty field, not a cut one
        return core::RaiseError(core::kErrStringTooLong, location);
      }
      std::memcpy(buffer + size, run, count);
      size += count;
      state.started = true;
      cursor.Skip(count);
      continue;
    }
    bool copy = true;
    if (byte == 0) {
      copy = false;
    } else if (byte == kCarriageReturn) {
      cursor.Advance();
      if (cursor.Peek(&byte) && byte == kLineFeed) cursor.Advance();
      break;
    } else if (byte == kEndOfFileMark && cursor.Offset() == last_offset) {
      if (!state.started) return core::RaiseError(core::kErrInputPastEnd, location);
      cursor.Advance();
      break;
    } else if (byte == kEndOfFileMark) {
      // An end-of-file mark inside the file is data, but starts nothing.
    } else if (byte == kBlank) {
      if ((!state.started && !state.quote_open) || state.closed) {
        copy = false;
      } else if (numeric_item && state.started && !state.quote_open) {
        state.closed = true;
        copy = false;
      }
    } else if (byte == kQuote) {
      if (!state.started && !state.quote_open && !state.closed) {
        state.quote_open = true;
      } else if (state.quote_open) {
        state.quote_open = false;
        state.quote_closed = true;
        state.closed = true;
      }
    } else if (IsSeparator(byte)) {
      if (!state.quote_open) {
        if (!state.started && !state.quote_closed && numeric_item)
          return core::RaiseError(core::kErrBadInputItem, location);
        cursor.Advance();
        break;
      }
    } else if (state.closed) {
      // The field is over; a text item drops the stray byte, a number
      // leaves it to begin the next field.
      if (!numeric_item) cursor.Advance();
      break;
    } else {
      state.started = true;
    }
    if (copy) {
      if (size + 1 >= kFieldBufferBytes) {
        buffer[0] = 0;
        return core::RaiseError(core::kErrStringTooLong, location);
      }
      buffer[size++] = byte;
    }
    cursor.Advance();
  }
  buffer[size] = 0;
  control.position = cursor.Offset();
}

}  // namespace tolvex::io
