// ReadField (see field_reader.h): one pass over the file's bytes, a small
// state machine whose state is the reader's place in the field.
#include "runtime/io/field_reader.h"

#include <array>
#include <cstring>

#include "runtime/core/error_codes.h"
#include "runtime/core/runtime_error.h"
#include "runtime/io/item_scanner.h"
#include "runtime/io/line_end.h"
#include "runtime/io/read_at.h"
#include "runtime/io/steering_bytes.h"

namespace tolvex::io {
namespace {

// Bytes that steer nothing: a place that copies one copies a run of them,
// so a run is taken at once.
constexpr std::array<bool, 256> kPlainBytes =
    PlainBytes({0, kCarriageReturn, kEndOfFileMark, kBlank, kQuote, ',', ':'});

// The reader's place in the field. A final 0x1A ends only a field that a
// byte of the item has begun (blanks, separators and an inner 0x1A begin
// nothing), so the places before one come first: there it is the end of
// the file.
enum class Place : uint8_t {
  kBefore,       // leading blanks are skipped
  kOpenQuote,    // after the opening quote
  kEmptyQuotes,  // after the closing quote right behind it
  kUnquoted,     // in an unquoted field: the first place of a begun field
  kQuoted,       // inside quotes
  kClosed,       // after a closing quote or the blank behind a number
};

// What a byte does: copied into the field, consumed and dropped, consumed
// and ending the field, left to begin the next field (the field ends before
// it), or 58 (a number may not start with a separator).
enum class Action : uint8_t { kCopy, kDrop, kEnd, kLeave, kBadStart };

struct Step { Action action; Place next; };

// The transition for a byte that ends no line, by the byte's class.
Step NextStep(Place place, uint8_t byte, bool numeric) {
  using enum Place;
  using enum Action;
  const bool quoted = place == kOpenQuote || place == kQuoted;
  switch (byte) {
    case 0:
      return {kDrop, place};
    case kEndOfFileMark:  // inside the file it is data, but begins nothing
      return {kCopy, place};
    case kBlank:
      if (place == kUnquoted) return {numeric ? kDrop : kCopy, numeric ? kClosed : place};
      return {quoted ? kCopy : kDrop, place};
    case kQuote:  // the first byte's quote opens, the next one closes; others are data
      if (place == kBefore) return {kCopy, kOpenQuote};
      return {kCopy, place == kOpenQuote ? kEmptyQuotes : place == kQuoted ? kClosed : place};
    case ',':
    case ':':
      if (quoted) return {kCopy, place};
      return {numeric && place == kBefore ? kBadStart : kEnd, place};
    default:  // a byte of the item: after the field closed, a text item
              // drops it, a number leaves it to begin the next field
      if (place == kEmptyQuotes || place == kClosed) return {numeric ? kLeave : kEnd, place};
      return {kCopy, place == kBefore ? kUnquoted : place == kOpenQuote ? kQuoted : place};
  }
}

// Copies the byte at the cursor, with the plain bytes behind it when it is
// plain, onto the field's `*size` bytes; false after raising 15.
bool CopyRun(ByteCursor& cursor, uint8_t* buffer, uint32_t* size, uint32_t location) {
  uint32_t left = 0;
  const uint8_t* run = cursor.Rest(&left);
  uint32_t count = 1;
  if (kPlainBytes[run[0]])
    while (count < left && kPlainBytes[run[count]]) ++count;
  // The terminator needs the last byte of the buffer. (Scanning first and
  // copying after costs fewer steps than copying while scanning.)
  if (count >= kFieldBufferBytes - *size) {
    buffer[0] = 0;  // an ignored raise leaves an empty field, not a cut one
    core::RaiseError(core::kErrStringTooLong, location);
    return false;
  }
  std::memcpy(buffer + *size, run, count);
  *size += count;
  cursor.Skip(count);
  return true;
}

}  // namespace

void ReadField(int32_t slot_index, uint8_t* buffer, uint32_t item_type, uint32_t location) {
  ChannelSlot* slot = ReadableInputSlot(slot_index, location);
  if (slot == nullptr) return;
  FileControl& control = *slot->control;

  const bool numeric_item = IsNumericItem(item_type);
  ByteCursor cursor(*slot, control.position, location);
  Place place = Place::kBefore;
  uint32_t size = 0;
  uint8_t byte = 0;
  while (cursor.Peek(&byte)) {
    const LineEnd line_end = TakeLineEnd(cursor, byte, control.length - 1);
    if (line_end == LineEnd::kEndMark && place < Place::kUnquoted)
      return core::RaiseError(core::kErrInputPastEnd, location);
    if (line_end != LineEnd::kNone) break;
    const Step step = NextStep(place, byte, numeric_item);
    place = step.next;
    if (step.action == Action::kBadStart)
      return core::RaiseError(core::kErrBadInputItem, location);
    if (step.action == Action::kLeave) break;
    if (step.action != Action::kCopy) cursor.Advance();
    else if (!CopyRun(cursor, buffer, &size, location)) return;
    if (step.action == Action::kEnd) break;
  }
  buffer[size] = 0;
  control.position = cursor.Offset();
}

}  // namespace tolvex::io
