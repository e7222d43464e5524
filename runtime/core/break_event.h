// The break event (event 1): armed from the start, pending after Ctrl+C,
// run at the next statement hook or key read. Running it (the key wait and
// the end) belongs to the frame, which hands it in as the break's runner.
#pragma once

namespace tolvex::core {

// Makes the break pending and asks the statement hook for attention.
void MarkBreakPending();
bool BreakPending();
void SetBreakArmed(bool armed);
bool BreakEnabled();
// When the break is armed and pending: clears pending and calls the runner.
void BreakCheck();
// The break itself; the frame's runner does not return.
void SetBreakRunner(void (*run_break)());
// Armed, nothing pending; the runner is kept.
void ResetBreakEvent();

}  // namespace tolvex::core
