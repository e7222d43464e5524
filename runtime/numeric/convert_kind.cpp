// ConvertToKind and ConvertField (see convert_kind.h). Holds no OS code.
#include "runtime/numeric/convert_kind.h"

#include <cstring>

#include "runtime/numeric/float_unit.h"
#include "runtime/numeric/scaled_single.h"
#include "runtime/numeric/value_of_text.h"

namespace tolvex::numeric {
namespace {

constexpr long double kInt16Min = -32768.0L;
constexpr long double kInt16Max = 32767.0L;
constexpr long double kInt32Min = -2147483648.0L;
constexpr long double kInt32Max = 2147483647.0L;

// Every conversion below returns the kind it produced and writes the value
// to *out, or returns kKindFailed and writes nothing: the value goes
// straight to its destination, never through a returned record in memory
// (an extended value costs an 80-bit store and load at each such trip).

// Checked on the extended value without rounding: zero is an integer, a
// value with a fractional part is not.
bool IsIntegerIn(Extended value, long double low, long double high) {
  if (!value.is_finite()) return false;
  if (RoundToInteger(value) != value) return false;
  return value >= Extended(low) && value <= Extended(high);
}

NumberKind Produce(NumberKind kind, Extended value, Extended* out) {
  *out = value;
  return kind;
}

[[gnu::always_inline]] inline NumberKind RoundedInteger(Extended value, NumberKind kind,
                                                        long double low, long double high,
                                                        Extended* out) {
  const Extended rounded = RoundToInteger(value);
  if (!(rounded >= Extended(low) && rounded <= Extended(high))) return kKindFailed;
  return Produce(kind, rounded, out);
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
[[gnu::always_inline]] inline NumberKind ToSingleKind(Extended value, Extended* out) {
  if (Abs(value) < Extended(kSingleSafe))
    return Produce(kKindSingle, Extended::FromSingle(value.ToSingle()), out);
  const StatusKeeper keep_status;
  const float stored = value.ToSingle();
  if (!IsFinite(stored)) return kKindFailed;
  return Produce(kKindSingle, Extended::FromSingle(stored), out);
}

[[gnu::always_inline]] inline NumberKind ToDoubleKind(Extended value, Extended* out) {
  if (Abs(value) < Extended(kDoubleSafe))
    return Produce(kKindDouble, Extended::FromDouble(value.ToDouble()), out);
  const StatusKeeper keep_status;
  const double stored = value.ToDouble();
  if (!IsFinite(stored)) return kKindFailed;
  return Produce(kKindDouble, Extended::FromDouble(stored), out);
}

// The automatic kind of a number written without an exponent letter; `suffix`
// is the text just after the number.
NumberKind AutomaticKind(Extended value, uint8_t precision, const char* suffix, Extended* out) {
  if (*suffix == '&') {
    if (IsIntegerIn(value, kInt32Min, kInt32Max)) return Produce(kKindInt32, value, out);
    return ToDoubleKind(value, out);
  }
  if (*suffix == '%') {
    if (IsIntegerIn(value, kInt16Min, kInt16Max)) return Produce(kKindInt16, value, out);
    ++suffix;  // not an int16: the rules below look past the "%"
  }
  if (*suffix == '!') return ToSingleKind(value, out);
  if (*suffix == '#') return ToDoubleKind(value, out);
  if (IsIntegerIn(value, kInt16Min, kInt16Max)) return Produce(kKindInt16, value, out);
  if (IsIntegerIn(value, kInt32Min, kInt32Max)) return Produce(kKindInt32, value, out);
  if (precision == kClassSingleSized && ToSingleKind(value, out) != kKindFailed)
    return kKindSingle;
  return ToDoubleKind(value, out);
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

// The single of scanned digits: computed with integers where that path
// applies (every value a tile holds), else scaled and stored by the unit.
[[gnu::always_inline]] inline bool SingleOfDigits(const ScannedDigits& scan, float* single) {
  if (ScaledSingle(scan, single)) return true;
  Extended stored;
  if (ToSingleKind(ScaledValue(scan), &stored) == kKindFailed) return false;
  *single = stored.ToSingle();  // exact: the value is a single already
  return true;
}

// The single of scanned digits as the value of kind single.
[[gnu::always_inline]] inline NumberKind SingleKindOfDigits(const ScannedDigits& scan,
                                                            Extended* out) {
  float single;
  if (!SingleOfDigits(scan, &single)) return kKindFailed;
  return Produce(kKindSingle, Extended::FromSingle(single), out);
}

// The conversion of scanned digits to the requested kind.
[[gnu::always_inline]] inline NumberKind ConvertDigits(const ScannedDigits& scan,
                                                       NumberKind requested, Extended* out) {
  switch (requested) {
    case kKindInt16:
      return RoundedInteger(ScaledValue(scan), kKindInt16, kInt16Min, kInt16Max, out);
    case kKindInt32:
      return RoundedInteger(ScaledValue(scan), kKindInt32, kInt32Min, kInt32Max, out);
    case kKindByte: return RoundedInteger(ScaledValue(scan), kKindByte, 0.0L, 255.0L, out);
    case kKindSingle: return SingleKindOfDigits(scan, out);
    case kKindDouble: return ToDoubleKind(ScaledValue(scan), out);
    case kKindAutomatic: break;
    case kKindFailed: return kKindFailed;
  }
  if (scan.precision == kClassSingle) return SingleKindOfDigits(scan, out);
  const Extended value = ScaledValue(scan);
  if (scan.precision == kClassDouble) return ToDoubleKind(value, out);
  return AutomaticKind(value, scan.precision, scan.end, out);
}

// ConvertToKind itself, inline in both entries so that the value travels in
// the unit's registers to its destination.
[[gnu::always_inline]] inline NumberKind Convert(const char* text, NumberKind requested,
                                                 Extended* out) {
  // A failed conversion is an answer, not a fault: the flags its roundings
  // raise must not reach the next CheckFloat. The only step here that can
  // raise a reported flag is a store to single or double that overflows
  // (the scan stays far inside extended range and sees no NaN; rounding a
  // finite value to an integer and comparing it raise nothing reported), so
  // those stores keep the status themselves, and only when they can overflow.
  const ScannedDigits scan = ScanDigits(text);
  if (scan.status != kScanOk) return kKindFailed;
  return ConvertDigits(scan, requested, out);
}

}  // namespace

KindValue ConvertToKind(const char* text, NumberKind requested) {
  KindValue result;
  result.kind = Convert(text, requested, &result.value);
  return result;
}

bool ConvertScannedToSingle(const ScannedDigits& scan, float* single) {
  return SingleOfDigits(scan, single);
}

bool ConvertField(const char* field, uint32_t item_type, Extended* value) {
  if (field[0] == '&') {
    const char* digits = field + 1;
    *value = ScanRadixNumber(digits, static_cast<uint32_t>(std::strlen(digits)));
    return true;
  }
  return Convert(field, KindOfItem(item_type), value) != kKindFailed;
}

}  // namespace tolvex::numeric
