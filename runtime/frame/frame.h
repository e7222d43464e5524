// The program frame: start-up, the run of the routine, the break, EndProgram
// and the one termination sequence that every way out takes.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/core/runtime_error.h"
#include "runtime/core/termination.h"

namespace tolvex::io {
class WindowSystem;
}

namespace tolvex::frame {

// Process entry: runs `routine` in the terminal when stdin and stdout are
// terminals, otherwise on the standard streams. Returns the exit status:
// the EndProgram code, 0 after the break or a closed window, 1 after an
// unhandled runtime error, a window that refused its input or a start that
// failed. A run cut short (not by its own end) while a file it created was
// still open removes that file and returns 130 after the break, 128 + the
// signal number after a signal, and 1 otherwise.
int RunProgram(int argc, char** argv, const core::ProgramRecord* program, void (*routine)());
// The same with a given window (the headless window of the tests).
int RunProgramIn(io::WindowSystem& window, const char* program_path,
                 const core::ProgramRecord* program, void (*routine)());

// Sets the ended flag and the exit code, then terminates.
[[noreturn]] void EndProgram(int16_t code);
// The break itself (also what error 98 leads to): the key wait, the ended
// flag, then termination. The break event's runner.
[[noreturn]] void RunBreak();

bool Ended();

// The program's file name without directory and extension: the text after
// the last '/', '\\' or ':' (double-byte characters stepped over whole), cut
// at its last '.' unless that is the first byte. "/usr/bin/tool.exe" -> "tool".
std::string ProgramNameFromPath(std::string_view path);
const std::string& ProgramName();

// Back to the start state: frame, break, hook, console, key queue, no window.
void ResetFrame();

}  // namespace tolvex::frame
