// Conversions between floating values and integers, each with its rounding
// rule and its overflow error, and the integer steps of loop counters.
// CheckFloat and the status word live in float_unit.h (included here).
#pragma once
#include <cstdint>

#include "runtime/numeric/extended.h"
#include "runtime/numeric/float_unit.h"

namespace tolvex::numeric {

// Rounds toward minus infinity; the result stays a floating value.
// 3.7 gives 3, -3.2 gives -4, -3 gives -3.
inline Extended IntegerPart(Extended value);

// Stores into integer variables: round to nearest, ties to even.
// ToInt16(2.5) is 2, ToInt16(3.5) is 4. Outside int16 (or NaN) → error 6 at
// 0xF701; ToInt32 outside int32 → error 6 at 0xF801.
inline int16_t ToInt16(Extended value);
int32_t ToInt32(Extended value);

// Integer arguments of runtime operations: half away from zero (0.5 is added
// to or subtracted from the value in extended precision, then truncated).
// 2.5 gives 3, -2.5 gives -3, 2.4999 gives 2. Out of range → error 6 at
// 0xE301 (int16), 0xE401 (int32), 0xF601 (byte, 0..255).
int16_t ArgToInt16(Extended value);
int32_t ArgToInt32(Extended value);
uint8_t ArgToByte(Extended value);
// Round to the target precision (nearest, ties to even); a finite value that
// overflows, or a NaN, → error 6 at 0xE501 / 0xE601.
float ArgToSingle(Extended value);
double ArgToDouble(Extended value);

// 0..32767 and -32768..-1 pass as their low 16 bits; else error 6 at 0xE201.
int16_t LongToInt16(int32_t value);

// counter += step, error 6 when the sum wraps (0xE701, 0xE801, 0xF401); a
// step of 0 leaves the counter alone. The caller compares with the limit.
inline void NextCounter(int16_t* counter, int16_t step);
void NextCounter32(int32_t* counter, int32_t step);
void NextCounter8(uint8_t* counter, uint8_t step);

// Integer division and remainder: a divisor of 0 → error 11 at 0xE101.
void IntDivideCheck(int32_t divisor);

// ------------------------------------------------------------ inline steps
// The conversions run on every cell of a tile are inline; their errors are
// raised out of line.

namespace conversions_detail {

// The unit's integer store (fistp) with its current rounding (to nearest,
// ties to even): the integer, or the "integer indefinite" INT64_MIN for a
// NaN or a value outside 64 bits. Every narrower width is checked on this
// result, so the 32-bit indefinite of a narrower store fails those checks
// the same way.
inline int64_t StoreInteger(Extended value) {
  int64_t stored;
  asm volatile("fistpll %0" : "=m"(stored) : "t"(value.native()) : "st");
  return stored;
}

// Raise error 6 at 0xF701 / 0xE701 (they return only while an error is
// already being processed, and the caller then goes on as before).
void RaiseToInt16();
void RaiseNextCounter();

}  // namespace conversions_detail

inline Extended IntegerPart(Extended value) { return RoundDownward(value); }

inline int16_t ToInt16(Extended value) {
  const int64_t stored = conversions_detail::StoreInteger(value);
  if (stored < INT16_MIN || stored > INT16_MAX) [[unlikely]]
    conversions_detail::RaiseToInt16();
  return static_cast<int16_t>(stored);
}

inline void NextCounter(int16_t* counter, int16_t step) {
  // 16-bit wrap-around addition, then the sign test of the step.
  const auto sum = static_cast<int16_t>(static_cast<uint16_t>(
      static_cast<uint16_t>(*counter) + static_cast<uint16_t>(step)));
  if ((step > 0 && sum < *counter) || (step < 0 && sum > *counter)) [[unlikely]]
    conversions_detail::RaiseNextCounter();
  if (step != 0) *counter = sum;
}

}  // namespace tolvex::numeric
