// ConvertToKind and ConvertField (see convert_kind.h). Holds no OS code.
#include "runtime/numeric/convert_kind.h"

#include <cstring>

#include "runtime/numeric/float_unit.h"

namespace tolvex::numeric {
namespace {

constexpr long double kInt16Min = -32768.0L;
constexpr long double kInt16Max = 32767.0L;
constexpr long double kInt32Min = -2147483648.0L;
constexpr long double kInt32Max = 2147483647.0L;

KindValue Failed() { return KindValue{}; }

// Checked on the extended value without rounding: zero is an integer, a
// value with a fractional part is not.
bool IsIntegerIn(Extended value, long double low, long double high) {
  if (!value.is_finite()) return false;
  if (RoundToInteger(value) != value) return false;
  return value >= Extended(low) && value <= Extended(high);
}

[[gnu::always_inline]] inline KindValue RoundedInteger(Extended value, NumberKind kind, long double low,
                         long double high) {
  const Extended rounded = RoundToInteger(value);
  if (!(rounded >= Extended(low) && rounded <= Extended(high))) return Failed();
  return KindValue{kind, rounded};
}

// Below these magnitudes a store cannot overflow: the largest single is
// just under 2^128, the largest double just under 2^1024. Only a value at or
// above them needs the status kept around its store.
constexpr long double kSingleSafe = 0x1p127L;
constexpr long double kDoubleSafe = 0x1p1023L;

bool IsFinite(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return (bits & 0x7F800000u) != 0x7F800000u;
}

bool IsFinite(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return (bits & 0x7FF0000000000000ull) != 0x7FF0000000000000ull;
}

// The stores into narrower variables; a failure when they overflow, and then
// the overflow flag they raised is taken back.
[[gnu::always_inline]] inline KindValue ToSingleKind(Extended value) {
  if (Abs(value) < Extended(kSingleSafe))
    return KindValue{kKindSingle, Extended::FromSingle(value.ToSingle())};
  const StatusKeeper keep_status;
  const float stored = value.ToSingle();
  if (!IsFinite(stored)) return Failed();
  return KindValue{kKindSingle, Extended::FromSingle(stored)};
}

[[gnu::always_inline]] inline KindValue ToDoubleKind(Extended value) {
  if (Abs(value) < Extended(kDoubleSafe))
    return KindValue{kKindDouble, Extended::FromDouble(value.ToDouble())};
  const StatusKeeper keep_status;
  const double stored = value.ToDouble();
  if (!IsFinite(stored)) return Failed();
  return KindValue{kKindDouble, Extended::FromDouble(stored)};
}

// The automatic kind of a number written without an exponent letter; `suffix`
// is the text just after the number.
KindValue AutomaticKind(Extended value, uint8_t precision, const char* suffix) {
  if (*suffix == '&') {
    if (IsIntegerIn(value, kInt32Min, kInt32Max)) return KindValue{kKindInt32, value};
    return ToDoubleKind(value);
  }
  if (*suffix == '%') {
    if (IsIntegerIn(value, kInt16Min, kInt16Max)) return KindValue{kKindInt16, value};
    ++suffix;  // not an int16: the rules below look past the "%"
  }
  if (*suffix == '!') return ToSingleKind(value);
  if (*suffix == '#') return ToDoubleKind(value);
  if (IsIntegerIn(value, kInt16Min, kInt16Max)) return KindValue{kKindInt16, value};
  if (IsIntegerIn(value, kInt32Min, kInt32Max)) return KindValue{kKindInt32, value};
  if (precision == kClassSingleSized) {
    const KindValue single = ToSingleKind(value);
    if (single.kind != kKindFailed) return single;
  }
  return ToDoubleKind(value);
}

NumberKind KindOfItem(uint32_t item_type) {
  switch (item_type) {
    case 0: return kKindInt16;
    case 1: return kKindInt32;
    case 2: return kKindSingle;
    case 3: return kKindDouble;
    case 4: return kKindByte;
    default: return kKindAutomatic;
  }
}

// ConvertToKind itself, inline in both entries so that the value travels in
// the unit's registers: an extended value handed through memory costs an
// 80-bit store and load at each call.
[[gnu::always_inline]] inline KindValue Convert(const char* text, NumberKind requested) {
  // A failed conversion is an answer, not a fault: the flags its roundings
  // raise must not reach the next CheckFloat. The only step here that can
  // raise a reported flag is a store to single or double that overflows
  // (the scan stays far inside extended range and sees no NaN; rounding a
  // finite value to an integer and comparing it raise nothing reported), so
  // those stores keep the status themselves, and only when they can overflow.
  const ScannedDigits scan = ScanDigits(text);
  if (scan.status != kScanOk) return Failed();
  const Extended value = ScaledValue(scan);
  switch (requested) {
    case kKindInt16: return RoundedInteger(value, kKindInt16, kInt16Min, kInt16Max);
    case kKindInt32: return RoundedInteger(value, kKindInt32, kInt32Min, kInt32Max);
    case kKindByte: return RoundedInteger(value, kKindByte, 0.0L, 255.0L);
    case kKindSingle: return ToSingleKind(value);
    case kKindDouble: return ToDoubleKind(value);
    case kKindAutomatic: break;
    case kKindFailed: return Failed();
  }
  if (scan.precision == kClassSingle) return ToSingleKind(value);
  if (scan.precision == kClassDouble) return ToDoubleKind(value);
  return AutomaticKind(value, scan.precision, scan.end);
}

}  // namespace

KindValue ConvertToKind(const char* text, NumberKind requested) {
  return Convert(text, requested);
}

bool ConvertField(const char* field, uint32_t item_type, Extended* value) {
  if (field[0] == '&') {
    const char* digits = field + 1;
    *value = ScanRadixNumber(digits, static_cast<uint32_t>(std::strlen(digits)));
    return true;
  }
  const KindValue converted = Convert(field, KindOfItem(item_type));
  if (converted.kind == kKindFailed) return false;
  *value = converted.value;
  return true;
}

}  // namespace tolvex::numeric
