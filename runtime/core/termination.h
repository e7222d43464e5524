// Termination: how the run is unwound from any depth when it ends quietly
// (a closed window, a cut-off entry, the break, EndProgram).
#pragma once

namespace tolvex::core {

// Thrown by Terminate and caught only at the frame's run resume point.
// Not a runtime error: nothing is recorded or reported.
struct ProgramTermination {};

[[noreturn]] inline void Terminate() { throw ProgramTermination{}; }

}  // namespace tolvex::core
