// The fatal signals (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT): a report
// handed in from above runs once, on an alternate stack (so a stack
// overflow is reported too), then the signal's default action ends the
// process.
#pragma once
#include <cstdint>

namespace tolvex::os {

// The address given for a signal that another process sent (no fault).
inline constexpr uint32_t kNoFaultAddress = 0xFFFFFFFF;

// `report` must be async-signal-safe. It receives the signal number and the
// low 32 bits of the faulting instruction's address. A second fault inside
// it goes straight to the default action.
void InstallFatalSignals(void (*report)(int signal_number, uint32_t address));
// The default actions back, and the alternate stack released.
void RemoveFatalSignals();

}  // namespace tolvex::os
