// The report of a processor fault or an abort that nobody can recover from:
// a line on stderr, the X values in the error record, the terminal put
// back, and the signal's default action ending the process.
#pragma once
#include <cstdint>

#include "runtime/os/fatal_signals.h"

namespace tolvex::frame {

// Code and address written when there is no fault record (a signal sent by
// another process, or a direct call).
inline constexpr uint32_t kNoFaultRecord = os::kNoFaultAddress;

// Installs the handlers for SIGSEGV, SIGBUS, SIGFPE, SIGILL and SIGABRT
// (on an alternate stack, so a stack overflow is reported too) and resolves
// the user hive's path, which the handler may not look up. The frame calls
// it at start, after the terminal is set up; RemoveFatalFaultReport puts the
// default actions back at the end.
void InstallFatalFaultReport();
void RemoveFatalFaultReport();

// The report itself; async-signal-safe. Restores the terminal first (so the
// line lands on the normal screen, below the console's last drawn rows that
// the restore leaves there), writes
//   "続行不可能なエラーが発生しました Tolvex [24行]\r\n"
// on stderr ("(モジュール名不明)" when no module is registered; UTF-8, as the
// terminal shows it), then writes XMODL, XLINE, XMODE, XRTL, XADDR and XCODE.
// On this system the exception code is the signal number and the address
// the low 32 bits of the faulting instruction's address.
void FatalFaultReport(uint32_t exception_code, uint32_t address);

}  // namespace tolvex::frame
