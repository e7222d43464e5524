// The report of an unhandled runtime error and the key wait that follows it
// (placeholder until error reporting lands).
#pragma once

namespace tolvex::frame {

// Called by the frame after a RuntimeError reached it: code 98 goes straight
// to KeyWait(true); every other code gets ErrorReport, then the caller ends
// the program.
void ReportUnhandledError();

// Writes the closing prompt and waits for a key (or the window's end).
void KeyWait(bool interrupted);

}  // namespace tolvex::frame
