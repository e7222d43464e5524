// The floating-point unit's state: the control state set at start and after
// every runtime error, the status flags, CheckFloat that reports them, and the
// rounding of a value to an integer with a given direction.
#pragma once
#include <cstdint>

#include "runtime/numeric/extended.h"

#if !defined(__x86_64__) && !defined(__i386__)
#error "tolvex drives the x87 unit directly; supply the float unit's operations for this processor"
#endif

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

// Full reset of the x87 and SSE units: all exceptions masked, 64-bit
// precision, round to nearest (ties to even), status flags cleared.
void ResetFloatUnit();

// The sticky status flags of the x87 unit as a status word (the bits above).
// Every step of the numeric model runs there, loads and stores to single and
// double included: the SSE unit computes nothing whose flags are reported.
// Underflow, inexact and denormal may stand set between checks (see
// CheckFloat); only the reported bits carry meaning.
inline uint16_t ReadFloatStatus();
// Clears every status flag.
void ClearFloatStatus();

// Takes back the reported flags (invalid, division by zero, overflow) that
// the steps in its scope raise: a conversion that is allowed to fail, a
// rounding whose status is not reported. Flags pending before it stay.
class StatusKeeper {
 public:
  StatusKeeper() : saved_(ReadFloatStatus()) {}
  ~StatusKeeper();
  StatusKeeper(const StatusKeeper&) = delete;
  StatusKeeper& operator=(const StatusKeeper&) = delete;

 private:
  uint16_t saved_;
};

// Follows every arithmetic step and every store of a floating value. Raises
// invalid → 5 at 0xE001, division by zero → 11 at 0xE002, overflow → 6 at
// 0xE003, in that priority, after clearing all flags. With none of the three
// set it returns at once: underflow, inexact and denormal are never reported,
// so leaving them standing is invisible (clearing them costs far more than
// the check). Example: 1 / 0 then CheckFloat() raises 11.
inline void CheckFloat();
// The second entry: the caller has already read the status word. Same codes,
// locations 0xDF01, 0xDF02, 0xDF03; flags cleared.
void CheckFloatStatus(uint16_t status);

// The value rounded to an integer toward minus infinity / toward zero, in
// extended precision; the rounding mode is the same when they return.
inline Extended RoundDownward(Extended value);
Extended RoundTowardZero(Extended value);
// The value rounded to an integer with the unit's mode (to nearest, even).
inline Extended RoundToInteger(Extended value);

// ------------------------------------------------------------ inline steps

namespace float_unit_detail {

// fnstsw: the status word without waiting; all exceptions are masked, so
// nothing can be pending. The memory clobber keeps the stores of earlier
// steps (a single or double variable written) ahead of the read.
inline uint16_t X87Status() {
  uint16_t status;
  asm volatile("fnstsw %0" : "=a"(status) : : "memory");
  return status;
}

// Clears all flags and raises the first reported one of `status`.
void RaiseFloatStatus(uint16_t status);
// Takes back the reported flags in `raised`.
void ClearReported(uint16_t raised);

}  // namespace float_unit_detail

inline uint16_t ReadFloatStatus() {
  return static_cast<uint16_t>(float_unit_detail::X87Status() & 0x3F);
}

inline StatusKeeper::~StatusKeeper() {
  // Only the reported flags matter to a later CheckFloat, so only those
  // raised in the scope are taken back; the common case, nothing reported,
  // costs one read of the status.
  const uint16_t raised = static_cast<uint16_t>(ReadFloatStatus() & ~saved_ & kStatusReported);
  if (raised != 0) [[unlikely]] float_unit_detail::ClearReported(raised);
}

inline void CheckFloat() {
  const uint16_t status = float_unit_detail::X87Status();
  if (status & kStatusReported) [[unlikely]] float_unit_detail::RaiseFloatStatus(status);
}

inline Extended RoundDownward(Extended value) {
  // frndint in the unit's own mode lands on the integer below or above the
  // value; one less when above. Both steps are exact, the result is the
  // integer toward minus infinity in every rounding mode, and the control
  // word (slow to change) is left alone: -0 stays -0, -0.5 gives -1, 0.5
  // gives +0 (1 - 1), infinities and NaNs pass as frndint leaves them.
  const long double x = value.native();
  long double r;
  asm volatile("frndint" : "=t"(r) : "0"(x));
  if (__builtin_isgreater(r, x)) r = r - 1.0L;  // quiet compare: a NaN raises nothing
  return Extended(extended_detail::Settle(r));
}

inline Extended RoundToInteger(Extended value) {
  long double x = value.native();
  asm volatile("frndint" : "+t"(x));
  return Extended(x);
}

}  // namespace tolvex::numeric
