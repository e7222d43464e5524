// The plain entry: ReadItems' one-pass path for the entry nearly every line
// of a tile is, a label and a plain decimal ("地表面,342.04" CR LF) read
// into a text item and a single straight from the read-ahead buffer. Holds
// no OS code.
#pragma once
#include <array>
#include <cstdint>
#include <cstring>

#include "runtime/io/channel_table.h"
#include "runtime/io/field_reader.h"
#include "runtime/io/input_source.h"
#include "runtime/io/io_context.h"
#include "runtime/io/item_scanner.h"
#include "runtime/io/steering_bytes.h"
#include "runtime/numeric/scaled_single.h"
#include "runtime/text/string_stack.h"

namespace tolvex::io {

// Reads the next entry of the file input source `input` into the list
// {single, text} (entries in reverse order, as ReadItems takes them) when
// the entry and the runtime's state are of the plain shape, and returns
// true; the variables, the position, the item continuation and the stack
// depth are then exactly what the general path of ReadItems leaves, and no
// memory was taken. Otherwise returns false with nothing changed, before
// anything is read, so the general path reads the entry, raising what it
// raises.
// The plain shape, all of it inside the read-ahead buffer and before the
// file's length: a label of bytes that steer no field (none of NUL, CR,
// 0x1A, blank, quote, comma, colon), a comma, a plain decimal whose single
// ScanPlainSingle computes, CR LF. The label goes in place
// (text::AssignSameLength), so a label of another length than the
// variable's takes the general path once. The read-ahead buffer, the item
// buffer and the stack must be there already.
// Example: "ab,-0012.50\r\n" gives "ab" and -12.5f, position past the LF;
// "ab,1E3\r\n", "a b,1\r\n" and "ab,1\r" (at the end of the file) do not.
// Inline: it runs for every entry of a tile, and in the caller the list is
// known, so most of its checks fold away.
inline bool ReadPlainEntry(const InputContext& input, const ItemList& list);

// Tests: false sends every entry through the general path (on at start).
void EnablePlainEntries(bool enabled);

// ------------------------------------------------------------ inline steps
// Every check is made before anything changes; then the two stores and the
// new position.

namespace plain_entry_detail {

extern bool enabled;

// The bytes ReadField copies into a text field without a second look: a
// label of only these is the field, and ScanItem gives it back unchanged
// (its own steering bytes are among those excluded here).
inline constexpr std::array<bool, 256> kLabelBytes =
    PlainBytes({0, kCarriageReturn, kEndOfFileMark, kBlank, kQuote, ',', ':'});

// The end of the label: the first byte from `p` on that is not a label
// byte, or `end`. Every steering byte lies below 0x40, where no Shift-JIS
// trail byte does, so a label of double-byte characters is taken eight
// bytes at a time up to its first byte below 0x40.
inline const uint8_t* LabelEnd(const uint8_t* p, const uint8_t* end) {
  constexpr uint64_t kEachByte = 0x0101010101010101u;
  while (end - p >= 8) {
    uint64_t word;
    std::memcpy(&word, p, sizeof word);
    // The top bit of each byte below 0x40; exact up to the first one, after
    // which a borrow may mark others.
    const uint64_t below = (word - 0x40 * kEachByte) & ~word & (0x80 * kEachByte);
    if (below == 0) {
      p += 8;
      continue;
    }
    p += __builtin_ctzll(below) / 8;
    if (!kLabelBytes[*p]) return p;
    ++p;  // a digit, a tab...: plain all the same
  }
  while (p != end && kLabelBytes[*p]) ++p;
  return p;
}

inline bool IsPlainList(const ItemList& list) {
  return list.count == 2 && list.items[0].type == kItemSingle &&
         list.items[1].type == kItemString;
}

}  // namespace plain_entry_detail

[[gnu::always_inline]] inline bool ReadPlainEntry(const InputContext& input, const ItemList& list) {
  using namespace plain_entry_detail;
  if (!enabled || !IsPlainList(list) || !IsFileSlot(input.source)) return false;
  const ChannelSlot* slot = SlotAt(input.source);
  if (slot == nullptr || slot->kind != kSequentialInput) return false;
  // The general path takes the item buffer first: without it, it may raise.
  if (!HasKeptInputBuffer(kFieldBufferBytes)) return false;

  // The bytes from the position to the end of the cached window, or to the
  // length found at open if that comes first: ReadField stops there too.
  FileControl& control = *slot->control;
  const uint32_t position = control.position;
  if (position < control.cache_start || position >= control.cache_end) return false;
  const uint32_t last = control.cache_end < control.length ? control.cache_end : control.length;
  if (position >= last) return false;
  const uint8_t* const begin = control.read_ahead + (position - control.cache_start);
  const uint8_t* const end = begin + (last - position);

  const uint8_t* p = LabelEnd(begin, end);
  if (p == end || *p != ',') return false;
  const uint8_t* const label_end = p++;

  float single;
  const auto* number_end = reinterpret_cast<const uint8_t*>(numeric::ScanPlainSingle(
      reinterpret_cast<const char*>(p), reinterpret_cast<const char*>(end), &single));
  if (number_end == nullptr || end - number_end < 2 || number_end[0] != kCarriageReturn ||
      number_end[1] != kLineFeed)
    return false;

  // The last check changes the label when it passes.
  auto* label = static_cast<text::StringValue*>(list.items[1].address);
  if (!text::AssignSameLength(label, static_cast<uint32_t>(label_end - begin), begin))
    return false;
  std::memcpy(list.items[0].address, &single, sizeof single);
  control.position = position + static_cast<uint32_t>(number_end + 2 - begin);
  ResetItemContinuation();
  text::SetStackDepth(input.recorded_depth);
  return true;
}

}  // namespace tolvex::io
