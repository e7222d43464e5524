// The floating-point unit's state: the control state set at start and after
// every runtime error, and the status flags read by CheckFloat.
#pragma once

namespace tolvex::numeric {

// Full reset: all exceptions masked, 64-bit precision, round to nearest
// (ties to even), status flags cleared.
void ResetFloatUnit();

}  // namespace tolvex::numeric
