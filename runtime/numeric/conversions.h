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
Extended IntegerPart(Extended value);

// Stores into integer variables: round to nearest, ties to even.
// ToInt16(2.5) is 2, ToInt16(3.5) is 4. Outside int16 (or NaN) → error 6 at
// 0xF701; ToInt32 outside int32 → error 6 at 0xF801.
int16_t ToInt16(Extended value);
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
void NextCounter(int16_t* counter, int16_t step);
void NextCounter32(int32_t* counter, int32_t step);
void NextCounter8(uint8_t* counter, uint8_t step);

// Integer division and remainder: a divisor of 0 → error 11 at 0xE101.
void IntDivideCheck(int32_t divisor);

}  // namespace tolvex::numeric
