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

KindValue RoundedInteger(Extended value, NumberKind kind, long double low,
                         long double high) {
  const Extended rounded = RoundToInteger(value);
  if (!(rounded >= Extended(low) && rounded <= Extended(high))) return Failed();
  return KindValue{kind, rounded};
}

KindValue ToSingleKind(Extended value) {
  const Extended stored = Extended::FromSingle(value.ToSingle());
  if (!stored.is_finite()) return Failed();
  return KindValue{kKindSingle, stored};
}

KindValue ToDoubleKind(Extended value) {
  const Extended stored = Extended::FromDouble(value.ToDouble());
  if (!stored.is_finite()) return Failed();
  return KindValue{kKindDouble, stored};
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

}  // namespace

KindValue ConvertToKind(const char* text, NumberKind requested) {
  // A failed conversion is an answer, not a fault: the flags its roundings
  // raise must not reach the next CheckFloat.
  StatusKeeper keep_status;
  const ScanResult scan = ScanNumber(text);
  if (scan.status != kScanOk) return Failed();
  switch (requested) {
    case kKindInt16: return RoundedInteger(scan.value, kKindInt16, kInt16Min, kInt16Max);
    case kKindInt32: return RoundedInteger(scan.value, kKindInt32, kInt32Min, kInt32Max);
    case kKindByte: return RoundedInteger(scan.value, kKindByte, 0.0L, 255.0L);
    case kKindSingle: return ToSingleKind(scan.value);
    case kKindDouble: return ToDoubleKind(scan.value);
    case kKindAutomatic: break;
    case kKindFailed: return Failed();
  }
  if (scan.precision == kClassSingle) return ToSingleKind(scan.value);
  if (scan.precision == kClassDouble) return ToDoubleKind(scan.value);
  return AutomaticKind(scan.value, scan.precision, scan.end);
}

bool ConvertField(const char* field, uint32_t item_type, Extended* value) {
  if (field[0] == '&') {
    const char* digits = field + 1;
    *value = ScanRadixNumber(digits, static_cast<uint32_t>(std::strlen(digits)));
    return true;
  }
  const KindValue converted = ConvertToKind(field, KindOfItem(item_type));
  if (converted.kind == kKindFailed) return false;
  *value = converted.value;
  return true;
}

}  // namespace tolvex::numeric
