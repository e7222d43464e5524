// The program frame: start-up, the run of the routine, the break, EndProgram
// and the one termination sequence that every way out takes.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/frame/runtime_error.h"

namespace tolvex::io {
class WindowSystem;
}

namespace tolvex::frame {

// The runtime options compiled into the program.
struct RuntimeOptions {
  int32_t hook_interval = 10;    // pump at every 11th statement hook
  bool entry_erase = true;       // Clear / Shift+Home / Ctrl+L erase an entry
  bool start_hidden = false;
  int32_t default_record_length = 256;
};
const RuntimeOptions& Options();

// Process entry: runs `routine` in the terminal when stdin and stdout are
// terminals, otherwise on the standard streams. Returns the exit status:
// the EndProgram code, 0 after the break or a closed window, 1 after an
// unhandled runtime error, a window that refused its input or a start that
// failed.
int RunProgram(int argc, char** argv, const ProgramRecord* program, void (*routine)());
// The same with a given window (the headless window of the tests).
int RunProgramIn(io::WindowSystem& window, const char* program_path,
                 const ProgramRecord* program, void (*routine)());

// Thrown by Terminate and caught only at the run resume point in
// RunProgramIn: unwinds the routine from any depth. Not a runtime error.
struct ProgramTermination {};

// Sets the ended flag and the exit code, then terminates.
[[noreturn]] void EndProgram(int16_t code);
// Ends the program quietly from any depth (closed window, cut-off entry).
[[noreturn]] void Terminate();

// The break event (event 1): armed from the start; pending after Ctrl+C.
void MarkBreakPending();
bool BreakPending();
void SetBreakArmed(bool armed);
bool BreakEnabled();
// Runs the break when it is armed and pending: KeyWait(true), then the end.
void BreakCheck();
// The break itself (also what error 98 leads to): the key wait, ended flag.
void RunBreak();

bool Ended();
uint16_t ExitCode();

// The program's file name without directory and extension: the text after
// the last '/', '\\' or ':' (double-byte characters stepped over whole), cut
// at its last '.' unless that is the first byte. "/usr/bin/tool.exe" -> "tool".
std::string ProgramNameFromPath(std::string_view path);
const std::string& ProgramName();

// Back to the start state: frame, hook, console, key queue, no window.
void ResetFrame();

}  // namespace tolvex::frame
