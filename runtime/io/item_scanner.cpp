// The item scanner and the store step (see item_scanner.h).
#include "runtime/io/item_scanner.h"

#include <array>
#include <cmath>
#include <cstring>
#include <string>

#include "runtime/core/error_codes.h"
#include "runtime/core/runtime_error.h"
#include "runtime/io/steering_bytes.h"
#include "runtime/numeric/convert_kind.h"
#include "runtime/text/string_stack.h"

namespace tolvex::io {
namespace item_scanner_detail {
const uint8_t* continuation = nullptr;
}  // namespace item_scanner_detail

using item_scanner_detail::continuation;

namespace {

// Bytes that steer nothing (the terminator steers too), taken in runs.
constexpr std::array<bool, 256> kPlainBytes = PlainBytes({0, kBlank, kQuote, ',', ':'});

// Converts a numeric item's bytes through a terminated copy of them.
bool ConvertCopy(const uint8_t* begin, uint32_t length, uint32_t item_type,
                 numeric::Extended* number) {
  char small[256];
  std::string large;
  char* field = small;
  if (length >= sizeof small) {
    large.assign(length + 1, '\0');
    field = large.data();
  }
  std::memcpy(field, begin, length);
  field[length] = '\0';
  return numeric::ConvertField(field, item_type, number);
}

// Converts a numeric item's bytes, which need a terminator of their own
// unless the text ends right after them (a field from a file always does).
bool ConvertNumber(const uint8_t* begin, uint32_t length, uint32_t item_type,
                   numeric::Extended* number) {
  if (begin[length] == 0)
    return numeric::ConvertField(reinterpret_cast<const char*>(begin), item_type, number);
  return ConvertCopy(begin, length, item_type, number);
}

void StoreFailed(int16_t code, uint32_t location) { core::RaiseError(code, location); }

template <class Integer>
void StoreInteger(void* address, long double value, long double low, long double high) {
  // Rounds with the unit's mode: to nearest, ties to even.
  long double rounded = std::nearbyint(value);
  if (!(rounded >= low && rounded <= high))
    return StoreFailed(core::kErrOverflow, core::kLocStoreOverflow);
  Integer stored = static_cast<Integer>(rounded);
  std::memcpy(address, &stored, sizeof stored);
}

template <class Floating>
void StoreFloating(void* address, long double value) {
  Floating stored = static_cast<Floating>(value);
  if (std::isinf(stored) && !std::isinf(value))
    return StoreFailed(core::kErrOverflow, core::kLocStoreOverflow);
  std::memcpy(address, &stored, sizeof stored);
}

}  // namespace

bool ScanItem(const uint8_t* text_or_null, uint32_t item_type, numeric::Extended* number) {
  const uint8_t* p = text_or_null != nullptr ? text_or_null : continuation;
  continuation = nullptr;
  if (p == nullptr) return false;
  const bool numeric_item = IsNumericItem(item_type);

  while (*p == kBlank) ++p;
  bool quoted = false;
  if (*p == kQuote) {
    if (numeric_item) return false;
    quoted = true;
    ++p;
  }
  // The item is [begin, end): the bytes that belong to it are contiguous,
  // because nothing belongs once a quote or a number has closed.
  const uint8_t* begin = p;
  const uint8_t* end = p;
  bool quote_closed = false;
  bool value_closed = false;  // an unquoted number ended by a blank
  bool at_separator = false;
  for (; *p != 0; ++p) {
    const uint8_t byte = *p;
    if (byte == kBlank) {
      if (quote_closed || value_closed) continue;
      if (numeric_item && end > begin) {
        value_closed = true;
        continue;
      }
      end = p + 1;
    } else if (byte == kQuote) {
      if (quoted) {
        if (quote_closed) return false;
        quote_closed = true;
      } else if (!value_closed) {
        end = p + 1;
      }
    } else if (IsSeparator(byte)) {
      if (quoted && !quote_closed) {
        end = p + 1;
        continue;
      }
      at_separator = true;
      ++p;
      break;
    } else {
      if (quote_closed || value_closed) return false;
      // The rest of a run of such bytes belongs to the item as well.
      while (kPlainBytes[p[1]]) ++p;
      end = p + 1;
    }
  }
  if (numeric_item && end == begin) return false;
  if (!quoted || !quote_closed)
    while (end > begin && end[-1] == kBlank) --end;
  if (at_separator) continuation = p;

  const auto length = static_cast<uint32_t>(end - begin);
  if (!numeric_item) {
    text::NewTempText(length, begin);
    return true;
  }
  return ConvertNumber(begin, length, item_type, number);
}

bool HasItemContinuation() { return continuation != nullptr; }

void StoreItem(const InputItem& item, numeric::Extended number) {
  const long double value = number.native();
  switch (item.type) {
    case kItemInt16:
      return StoreInteger<int16_t>(item.address, value, -32768.0L, 32767.0L);
    case kItemInt32:
      return StoreInteger<int32_t>(item.address, value, -2147483648.0L, 2147483647.0L);
    case kItemSingle:
      return StoreFloating<float>(item.address, value);
    case kItemDouble:
      return StoreFloating<double>(item.address, value);
    case kItemByte:
      return StoreInteger<uint8_t>(item.address, value, 0.0L, 255.0L);
    case kItemAutomatic:
      *static_cast<numeric::Extended*>(item.address) = number;
      return;
    case kItemString12:
    case kItemString13: {
      text::StringValue scanned = text::PopText();
      text::ReleaseIfTemporary(scanned);
      return StoreFailed(core::kErrTypeMismatch, core::kLocStoreKind);
    }
    default:
      text::AssignText(static_cast<text::StringValue*>(item.address));
      return;
  }
}

}  // namespace tolvex::io
