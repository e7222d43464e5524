// The floating-point unit's state (see float_unit.h). Status flags are read
// from both the x87 unit and the SSE unit (a double step done there counts);
// every access is an asm statement that the optimiser may not move or drop.
#include "runtime/numeric/float_unit.h"

#include <cfenv>

#include "runtime/frame/error_codes.h"
#include "runtime/frame/runtime_error.h"

namespace tolvex::numeric {
namespace {

// Keeps the compiler from moving memory operations (and the volatile
// arithmetic around them) across a read or write of the environment.
inline void Fence() { asm volatile("" ::: "memory"); }

#if defined(__x86_64__) || defined(__i386__)
// The x87 unit directly: reading and clearing its status word and changing
// its rounding mode are single instructions, where the C environment
// functions save and reload the whole environment each time.
constexpr uint16_t kRoundingBits = 0x0C00;
constexpr uint16_t kRoundDown = 0x0400;
constexpr uint16_t kRoundTowardZero = 0x0C00;
constexpr uint32_t kSseFlagBits = 0x3F;  // same layout as the x87 status bits

uint16_t HardwareStatus() {
  uint16_t x87;
  asm volatile("fnstsw %0" : "=am"(x87) : : "memory");
#if defined(__SSE__)
  uint32_t sse;
  asm volatile("stmxcsr %0" : "=m"(sse) : : "memory");
  return static_cast<uint16_t>((x87 | sse) & 0x3F);
#else
  return static_cast<uint16_t>(x87 & 0x3F);
#endif
}

void HardwareClear() {
  asm volatile("fnclex" : : : "memory");
#if defined(__SSE__)
  uint32_t sse;
  asm volatile("stmxcsr %0" : "=m"(sse) : : "memory");
  sse &= ~kSseFlagBits;
  asm volatile("ldmxcsr %0" : : "m"(sse) : "memory");
#endif
}

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
#else
#error "tolvex drives the x87 unit directly; supply this file's operations for this processor"
#endif

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

uint16_t ReadFloatStatus() { return HardwareStatus(); }

void ClearFloatStatus() { HardwareClear(); }

StatusKeeper::StatusKeeper() : saved_(ReadFloatStatus()) {}

StatusKeeper::~StatusKeeper() {
  // Only the reported flags matter to a later CheckFloat (which clears the
  // others unseen), so only those raised in the scope are taken back; the
  // common case, nothing reported, costs one read of the status.
  const uint16_t raised = static_cast<uint16_t>(ReadFloatStatus() & ~saved_ & kStatusReported);
  if (raised == 0) return;
  int flags = 0;
  if (raised & kStatusInvalid) flags |= FE_INVALID;
  if (raised & kStatusZeroDivide) flags |= FE_DIVBYZERO;
  if (raised & kStatusOverflow) flags |= FE_OVERFLOW;
  Fence();
  std::feclearexcept(flags);
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

Extended RoundDownward(Extended value) { return RoundWithMode(value, kRoundDown); }
Extended RoundTowardZero(Extended value) { return RoundWithMode(value, kRoundTowardZero); }

Extended RoundToInteger(Extended value) {
  // The unit's own mode: to nearest, ties to even, as set at start.
  long double x = value.native();
  asm volatile("frndint" : "+t"(x) : : "memory");
  return Extended(x);
}

}  // namespace tolvex::numeric
