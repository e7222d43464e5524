// The terminal's mode and the process signals: raw keyboard, the alternate
// screen, and their restoration on every way out, a crash included, with the
// console's last rows left on the normal screen.
#pragma once
#include <atomic>
#include <cstdint>
#include <string_view>

#include "runtime/os/descriptor_io.h"

namespace tolvex::os {

// Flags set by the signal handlers; the front ends read them at their pump.
struct SignalFlags {
  std::atomic<uint32_t> input_ready{0};  // SIGIO: the terminal has bytes
  std::atomic<uint32_t> resized{0};      // SIGWINCH
  std::atomic<uint32_t> close{0};        // the number of the signal that closes the window
};
SignalFlags& Signals();

// Saves the terminal's mode on `fd`, switches to raw input (no echo, no
// line editing, no signal keys: Ctrl+C arrives as byte 3), enters the
// alternate screen and asks for SIGIO when bytes arrive. False when `fd`
// is no terminal or its mode cannot be set.
bool EnterTerminalMode(int input_fd, int output_fd);
// Puts back the saved mode and the normal screen, then writes the kept
// transcript there. Idempotent and async-signal-safe (tcsetattr and write
// only), so a crash can call it.
void RestoreTerminalNow();
// Keeps `text` (UTF-8, the console's rows) for the restore to leave on the
// normal screen, replacing what was kept. Text past 8 KiB (more than 24 rows
// of 80 cells need) is cut. Not signal-safe, but a signal that arrives
// during it finds the text kept before.
void KeepTranscript(std::string_view text);

// SIGHUP and SIGTERM close the window. SIGINT is the break key, running
// `on_interrupt` (which must be async-signal-safe); with none (where there
// is no break) it closes the window too, so the run still ends through its
// termination and removes what it left incomplete. The handlers only set
// flags. SIGIO and SIGWINCH set theirs.
void InstallCloseSignals(void (*on_interrupt)());
void RemoveCloseSignals();

// Waits until `fd` has bytes to read or one of the signals above arrived
// (checked without a race: the handlers also write to a pipe that the wait
// watches). True when `fd` is readable, false when a signal woke the wait.
bool WaitReadableOrSignal(int fd);

}  // namespace tolvex::os
