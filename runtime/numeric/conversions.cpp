// Conversions between floating values and integers (see conversions.h).
// Each follows the unit's own instruction: a store to an integer with the
// current rounding, or a truncation with the mode changed for one step.
#include "runtime/numeric/conversions.h"

#include "runtime/core/error_codes.h"
#include "runtime/core/runtime_error.h"

namespace tolvex::numeric {
namespace {

using conversions_detail::StoreInteger;

// The argument rounding: half away from zero through an extended addition and
// a truncation; zero is left alone.
Extended HalfAwayFromZero(Extended value) {
  if (value == Extended(0.0L)) return value;
  const Extended half(0.5L);
  const Extended moved = value > Extended(0.0L) ? value + half : value - half;
  return RoundTowardZero(moved);
}

}  // namespace

namespace conversions_detail {

void RaiseToInt16() {
  core::RaiseError(core::kErrOverflow, core::kLocToInt16);
}

void RaiseNextCounter() {
  core::RaiseError(core::kErrOverflow, core::kLocNextCounter);
}

}  // namespace conversions_detail

int32_t ToInt32(Extended value) {
  const int64_t stored = StoreInteger(value);
  if (stored < INT32_MIN || stored > INT32_MAX)
    core::RaiseError(core::kErrOverflow, core::kLocToInt32);
  return static_cast<int32_t>(stored);
}

int16_t ArgToInt16(Extended value) {
  // A 16-bit store of a value outside int16 is an invalid operation.
  const int64_t stored = StoreInteger(HalfAwayFromZero(value));
  if (stored < INT16_MIN || stored > INT16_MAX)
    core::RaiseError(core::kErrOverflow, core::kLocArgToInt16);
  return static_cast<int16_t>(stored);
}

int32_t ArgToInt32(Extended value) {
  const int64_t stored = StoreInteger(HalfAwayFromZero(value));
  if (stored < INT32_MIN || stored > INT32_MAX)
    core::RaiseError(core::kErrOverflow, core::kLocArgToInt32);
  return static_cast<int32_t>(stored);
}

uint8_t ArgToByte(Extended value) {
  const int64_t stored = StoreInteger(HalfAwayFromZero(value));
  if (stored < 0 || stored > 255)
    core::RaiseError(core::kErrOverflow, core::kLocArgToByte);
  return static_cast<uint8_t>(stored);
}

float ArgToSingle(Extended value) {
  const float stored = value.ToSingle();
  const Extended back = Extended::FromSingle(stored);
  if (value.is_nan() || (value.is_finite() && !back.is_finite()))
    core::RaiseError(core::kErrOverflow, core::kLocArgToSingle);
  return stored;
}

double ArgToDouble(Extended value) {
  const double stored = value.ToDouble();
  const Extended back = Extended::FromDouble(stored);
  if (value.is_nan() || (value.is_finite() && !back.is_finite()))
    core::RaiseError(core::kErrOverflow, core::kLocArgToDouble);
  return stored;
}

int16_t LongToInt16(int32_t value) {
  if (value < INT16_MIN || value > INT16_MAX)
    core::RaiseError(core::kErrOverflow, core::kLocLongToInt16);
  return static_cast<int16_t>(value);
}

void NextCounter32(int32_t* counter, int32_t step) {
  const auto sum = static_cast<int32_t>(static_cast<uint32_t>(*counter) +
                                        static_cast<uint32_t>(step));
  if ((step > 0 && sum < *counter) || (step < 0 && sum > *counter))
    core::RaiseError(core::kErrOverflow, core::kLocNextCounter32);
  if (step != 0) *counter = sum;
}

void NextCounter8(uint8_t* counter, uint8_t step) {
  const unsigned sum = unsigned{*counter} + unsigned{step};
  if (sum > 0xFF) core::RaiseError(core::kErrOverflow, core::kLocNextCounter8);
  *counter = static_cast<uint8_t>(sum);
}

void IntDivideCheck(int32_t divisor) {
  if (divisor == 0) core::RaiseError(core::kErrDivisionByZero, core::kLocIntDivide);
}

}  // namespace tolvex::numeric
