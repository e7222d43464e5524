// Puts every runtime-wide state back to its start: used between tests, and
// the one list of what "the runtime's state" is.
#pragma once

namespace tolvex::frame {

void ResetRuntime();

}  // namespace tolvex::frame
