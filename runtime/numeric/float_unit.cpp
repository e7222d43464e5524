// The floating-point unit's state (see float_unit.h). The C floating-point
// environment reaches both the x87 unit and the SSE unit on x86-64; the
// build's -frounding-math keeps the compiler from folding across mode changes.
#include "runtime/numeric/float_unit.h"

#include <cfenv>
#include <cmath>

#include "runtime/frame/error_codes.h"
#include "runtime/frame/runtime_error.h"

namespace tolvex::numeric {
namespace {

// Keeps the compiler from moving memory operations (and the volatile
// arithmetic around them) across a read or write of the environment.
inline void Fence() { asm volatile("" ::: "memory"); }

uint16_t FromExcept(int flags) {
  uint16_t status = 0;
  if (flags & FE_INVALID) status |= kStatusInvalid;
  if (flags & FE_DIVBYZERO) status |= kStatusZeroDivide;
  if (flags & FE_OVERFLOW) status |= kStatusOverflow;
  if (flags & FE_UNDERFLOW) status |= kStatusUnderflow;
  if (flags & FE_INEXACT) status |= kStatusInexact;
  return status;
}

// Rounds with `mode` for this one step and restores the previous mode.
Extended RoundWithMode(Extended value, int mode) {
  Fence();
  const int previous = std::fegetround();
  std::fesetround(mode);
  Fence();
  volatile long double operand = value.native();
  volatile long double result = std::rintl(operand);
  Fence();
  std::fesetround(previous);
  Fence();
  return Extended(result);
}

void RaiseFor(uint16_t status, uint32_t invalid, uint32_t zero_divide,
              uint32_t overflow) {
  if (status & kStatusInvalid) frame::RaiseError(frame::kErrIllegalArgument, invalid);
  if (status & kStatusZeroDivide) frame::RaiseError(frame::kErrDivisionByZero, zero_divide);
  if (status & kStatusOverflow) frame::RaiseError(frame::kErrOverflow, overflow);
}

}  // namespace

void ResetFloatUnit() {
  Fence();
  std::fesetenv(FE_DFL_ENV);
  std::feclearexcept(FE_ALL_EXCEPT);
  Fence();
}

uint16_t ReadFloatStatus() {
  Fence();
  const int flags = std::fetestexcept(FE_ALL_EXCEPT);
  Fence();
  return FromExcept(flags);
}

void ClearFloatStatus() {
  Fence();
  std::feclearexcept(FE_ALL_EXCEPT);
  Fence();
}

StatusKeeper::StatusKeeper() : saved_(ReadFloatStatus()) {}

StatusKeeper::~StatusKeeper() {
  Fence();
  std::feclearexcept(FE_ALL_EXCEPT);
  int flags = 0;
  if (saved_ & kStatusInvalid) flags |= FE_INVALID;
  if (saved_ & kStatusZeroDivide) flags |= FE_DIVBYZERO;
  if (saved_ & kStatusOverflow) flags |= FE_OVERFLOW;
  if (saved_ & kStatusUnderflow) flags |= FE_UNDERFLOW;
  if (saved_ & kStatusInexact) flags |= FE_INEXACT;
  // Raising a masked exception only sets its flag.
  if (flags != 0) std::feraiseexcept(flags);
  Fence();
}

void CheckFloat() {
  const uint16_t status = ReadFloatStatus();
  ClearFloatStatus();
  RaiseFor(status, frame::kLocFloatInvalid, frame::kLocFloatZeroDivide,
           frame::kLocFloatOverflow);
}

void CheckFloatStatus(uint16_t status) {
  ClearFloatStatus();
  RaiseFor(status, frame::kLocStatusInvalid, frame::kLocStatusZeroDivide,
           frame::kLocStatusOverflow);
}

Extended RoundDownward(Extended value) { return RoundWithMode(value, FE_DOWNWARD); }
Extended RoundTowardZero(Extended value) { return RoundWithMode(value, FE_TOWARDZERO); }

Extended RoundToInteger(Extended value) {
  Fence();
  volatile long double operand = value.native();
  volatile long double result = std::rintl(operand);
  Fence();
  return Extended(result);
}

}  // namespace tolvex::numeric
