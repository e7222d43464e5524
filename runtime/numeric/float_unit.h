// The floating-point unit's state: the control state set at start and after
// every runtime error, the status flags, CheckFloat that reports them, and the
// one-step changes of the rounding mode.
#pragma once
#include <cstdint>

#include "runtime/numeric/extended.h"

namespace tolvex::numeric {

// Status word bits, laid out as the x87 status word has them.
enum : uint16_t {
  kStatusInvalid = 0x01,
  kStatusDenormal = 0x02,
  kStatusZeroDivide = 0x04,
  kStatusOverflow = 0x08,
  kStatusUnderflow = 0x10,
  kStatusInexact = 0x20,
  kStatusReported = kStatusInvalid | kStatusZeroDivide | kStatusOverflow,
};

// Full reset: all exceptions masked, 64-bit precision, round to nearest
// (ties to even), status flags cleared.
void ResetFloatUnit();

// The sticky status flags as a status word (the bits above); the flags of the
// SSE unit are merged in, so a double step done there is seen as well.
uint16_t ReadFloatStatus();
// Clears every status flag.
void ClearFloatStatus();

// Takes back the reported flags (invalid, division by zero, overflow) that
// the steps in its scope raise: a conversion that is allowed to fail, a
// rounding whose status is not reported. Flags pending before it stay.
class StatusKeeper {
 public:
  StatusKeeper();
  ~StatusKeeper();
  StatusKeeper(const StatusKeeper&) = delete;
  StatusKeeper& operator=(const StatusKeeper&) = delete;

 private:
  uint16_t saved_;
};

// Follows every arithmetic step and every store of a floating value. Raises
// invalid → 5 at 0xE001, division by zero → 11 at 0xE002, overflow → 6 at
// 0xE003, in that priority; clears all flags in every case, so underflow and
// inexact never accumulate. Example: 1 / 0 then CheckFloat() raises 11.
void CheckFloat();
// The second entry: the caller has already read the status word. Same codes,
// locations 0xDF01, 0xDF02, 0xDF03; flags cleared.
void CheckFloatStatus(uint16_t status);

// The value rounded to an integer toward minus infinity / toward zero, in
// extended precision; the previous rounding mode is back when they return.
Extended RoundDownward(Extended value);
Extended RoundTowardZero(Extended value);
// The value rounded to an integer with the unit's mode (to nearest, even).
Extended RoundToInteger(Extended value);

}  // namespace tolvex::numeric
