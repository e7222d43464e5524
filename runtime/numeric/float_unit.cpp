// The floating-point unit's state (see float_unit.h): the reset, the clearing
// of flags and the raising of reported ones, the truncation that changes the
// rounding mode for one instruction. The steps run on every cell are inline
// in the header; what is here runs at start, on errors and on rare paths.
#include "runtime/numeric/float_unit.h"

#include <cfenv>

#include "runtime/core/error_codes.h"
#include "runtime/core/runtime_error.h"

namespace tolvex::numeric {
namespace {

// Keeps the compiler from moving memory operations (and the steps around
// them) across a read or write of the environment.
inline void Fence() { asm volatile("" ::: "memory"); }

constexpr uint16_t kRoundingBits = 0x0C00;
constexpr uint16_t kRoundTowardZero = 0x0C00;

// frndint with the rounding field set to `mode` for this one instruction.
Extended RoundWithMode(Extended value, uint16_t mode) {
  uint16_t saved;
  asm volatile("fnstcw %0" : "=m"(saved) : : "memory");
  const uint16_t changed = static_cast<uint16_t>((saved & ~kRoundingBits) | mode);
  long double x = value.native();
  asm volatile(
      "fldcw %1\n\t"
      "frndint\n\t"
      "fldcw %2"
      : "+t"(x)
      : "m"(changed), "m"(saved)
      : "memory");
  return Extended(x);
}

void RaiseFor(uint16_t status, uint32_t invalid, uint32_t zero_divide,
              uint32_t overflow) {
  if (status & kStatusInvalid) core::RaiseError(core::kErrIllegalArgument, invalid);
  if (status & kStatusZeroDivide) core::RaiseError(core::kErrDivisionByZero, zero_divide);
  if (status & kStatusOverflow) core::RaiseError(core::kErrOverflow, overflow);
}

}  // namespace

namespace float_unit_detail {

void RaiseFloatStatus(uint16_t status) {
  ClearFloatStatus();
  RaiseFor(status, core::kLocFloatInvalid, core::kLocFloatZeroDivide,
           core::kLocFloatOverflow);
}

void ClearReported(uint16_t raised) {
  int flags = 0;
  if (raised & kStatusInvalid) flags |= FE_INVALID;
  if (raised & kStatusZeroDivide) flags |= FE_DIVBYZERO;
  if (raised & kStatusOverflow) flags |= FE_OVERFLOW;
  Fence();
  std::feclearexcept(flags);
  Fence();
}

}  // namespace float_unit_detail

void ResetFloatUnit() {
  Fence();
  std::fesetenv(FE_DFL_ENV);
  std::feclearexcept(FE_ALL_EXCEPT);
  Fence();
}

void ClearFloatStatus() { asm volatile("fnclex" : : : "memory"); }

void CheckFloatStatus(uint16_t status) {
  ClearFloatStatus();
  RaiseFor(status, core::kLocStatusInvalid, core::kLocStatusZeroDivide,
           core::kLocStatusOverflow);
}

Extended RoundTowardZero(Extended value) { return RoundWithMode(value, kRoundTowardZero); }

}  // namespace tolvex::numeric
