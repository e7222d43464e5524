// Puts every runtime-wide state back to its start: used between tests, and
// the one list of what "the runtime's state" is. Also the one place where
// the layers are connected to what they cannot name above them.
#pragma once

namespace tolvex::frame {

// Hands the error core its clean-up (the float unit at every raise, the
// string temporaries at a taken one) and the break event its runner.
// The frame calls it at start-up.
void ConnectLayers();

// ConnectLayers, then every layer's state back to its start.
void ResetRuntime();

}  // namespace tolvex::frame
