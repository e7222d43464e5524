// The report of an unhandled runtime error and the key wait that follows it
// (and the break's). Holds no OS code: the console, the key queue and the
// registry store are reached through their own interfaces.
#pragma once
#include <cstdint>
#include <string>

#include "runtime/core/runtime_error.h"

namespace tolvex::frame {

// Called by the frame after a RuntimeError reached it, with the error state
// as RaiseError left it: code 98 goes straight to KeyWait(true) (no record,
// no message text); every other code gets ErrorReport. The caller then ends
// the program. May end it itself (ProgramTermination) when the window goes
// away during the key wait.
void ReportUnhandledError();

// The report line "\r\n%s [%u行]:エラー[%d]" (code page 932), with the
// module's source name and the statement and code taken as unsigned 16-bit
// numbers. A null module gives an empty name.
// Example: Tolvex, 63, 24 -> "\r\nTolvex [24行]:エラー[63]".
std::string FormatReportLine(const core::ProgramRecord* module, int16_t code, int16_t statement);

// Writes the error record, then with a usable console: the report line, CR
// LF + the message text when the library has one (260-byte buffer), both
// again to the window's ShowReport, and KeyWait(false). Without one: the
// message box on stderr holding the line, or "%s\n%s" of the line and the
// message text (256-byte buffer).
void ErrorReport(const core::ProgramRecord* module, int16_t code, int16_t statement,
                 uint32_t location);

// The key wait's text: "\r\n任意のキーを押してください", or when interrupted
// "\r\n中断しました Tolvex[24行] \r\n任意のキーを押してください" with the
// current module and statement.
std::string KeyWaitText(bool interrupted);

// Writes the text to the console, empties the key queue, repaints, shows the
// caret and waits for one key (which is discarded), then puts the caret back
// and writes CR LF. A window that closes or an input that ends during the
// wait ends the program at once (Terminate). Without a usable console the
// text goes to the message box on stderr and nothing waits. There is no help
// viewer on this system, so there is none to tell to quit.
void KeyWait(bool interrupted);

// Back to the start: the system's libraries and registry store, no injected
// faults. Part of ResetRuntime.
void ResetErrorReporting();

}  // namespace tolvex::frame
