// The program frame (see frame.h): start-up in order, the run of the routine,
// the break, EndProgram and the termination sequence. Holds no OS code: the
// window it runs in comes from runtime/os or from the tests.
#include "runtime/frame/frame.h"

#include <cstdio>
#include <exception>
#include <new>

#include "runtime/frame/error_codes.h"
#include "runtime/frame/error_report.h"
#include "runtime/frame/fatal_fault.h"
#include "runtime/frame/startup_failure.h"
#include "runtime/frame/statement_hook.h"
#include "runtime/io/channel_table.h"
#include "runtime/io/console_screen.h"
#include "runtime/io/key_queue.h"
#include "runtime/io/window_system.h"
#include "runtime/os/code_page.h"
#include "runtime/numeric/float_unit.h"
#include "runtime/os/terminal_window.h"
#include "runtime/text/int_array.h"
#include "runtime/text/string_stack.h"

namespace tolvex::frame {
namespace {

// The break event's bits.
constexpr uint8_t kEventArmed = 1;
constexpr uint8_t kEventHeld = 2;
constexpr uint8_t kEventPending = 4;

struct FrameState {
  RuntimeOptions options;
  std::string program_name;
  const ProgramRecord* program = nullptr;
  uint8_t break_event = 0;
  bool ended = false;
  uint16_t exit_code = 0;
};

FrameState g_frame;

// Step 1 of the termination sequence: the main window is closed (forced),
// after the messages already waiting have been handled.
void CloseWindows(io::WindowSystem& window) {
  if (window.Exists()) window.PumpMessages();
  window.Close();
}

// Step 2: from here on RaiseError ignores everything; then every channel is
// closed and the runtime's memory released.
void ReleaseRuntime() {
  Errors().processing = true;
  io::CloseChannel(0);  // a failure while closing is ignored now
  text::ResetStrings();
  text::ReleaseArrays();
}

// An unhandled runtime error: report it (or, for 98, the break's key wait).
// The report may itself end the program when the window goes away.
bool ReportError(int16_t code) {
  try {
    ReportUnhandledError();
  } catch (const ProgramTermination&) {
  } catch (const RuntimeError&) {
    // The error road raises nothing; a stray raise must not escape.
  }
  g_frame.ended = true;
  return code != kErrBreak;
}

}  // namespace

const RuntimeOptions& Options() { return g_frame.options; }

std::string ProgramNameFromPath(std::string_view path) {
  size_t start = 0;
  for (size_t i = 0; i < path.size(); ++i) {
    unsigned char byte = static_cast<unsigned char>(path[i]);
    if (os::IsLeadByte(byte) && i + 1 < path.size()) {
      ++i;  // the trail byte may look like a backslash
    } else if (byte == '/' || byte == '\\' || byte == ':') {
      start = i + 1;
    }
  }
  std::string name(path.substr(start));
  size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return name;
}

const std::string& ProgramName() { return g_frame.program_name; }

void MarkBreakPending() {
  g_frame.break_event |= kEventPending;
  RequestAttention();
}

bool BreakPending() { return (g_frame.break_event & kEventPending) != 0; }

void SetBreakArmed(bool armed) {
  g_frame.break_event = static_cast<uint8_t>(
      armed ? g_frame.break_event | kEventArmed : g_frame.break_event & ~kEventArmed);
}

bool BreakEnabled() { return (g_frame.break_event & kEventArmed) != 0; }

void BreakCheck() {
  if ((g_frame.break_event & (kEventArmed | kEventHeld | kEventPending)) !=
      (kEventArmed | kEventPending))
    return;
  g_frame.break_event = static_cast<uint8_t>(g_frame.break_event & ~kEventPending);
  RunBreak();
}

void RunBreak() {
  KeyWait(true);
  g_frame.ended = true;
  Terminate();
}

void EndProgram(int16_t code) {
  g_frame.ended = true;
  g_frame.exit_code = static_cast<uint16_t>(code);
  Terminate();
}

void Terminate() { throw ProgramTermination{}; }

bool Ended() { return g_frame.ended; }
uint16_t ExitCode() { return g_frame.exit_code; }

int RunProgramIn(io::WindowSystem& window, const char* program_path,
                 const ProgramRecord* program, void (*routine)()) {
  // Start-up, in order: the program record, the name, the options, the
  // armed break, the window, the fatal-fault handler, then the run.
  g_frame = FrameState{};
  g_frame.program = program;
  g_frame.program_name = ProgramNameFromPath(program_path ? program_path : "");
  g_frame.options = RuntimeOptions{};
  SetBreakArmed(true);
  ResetStatementHook();
  io::ResetScreen();
  io::ResetKeyQueue();
  if (!window.Open(g_frame.program_name)) return ReportStartupFailure(kStartupNoWindow);
  io::AttachWindow(&window);
  InstallFatalFaultReport();  // after the terminal is set up: it restores it

  bool failed = false;
  const char* fault = nullptr;
  try {
    numeric::ResetFloatUnit();
    routine();  // the run resume point: termination unwinds to here
  } catch (const ProgramTermination&) {
  } catch (const RuntimeError& error) {
    failed = ReportError(error.code);
  } catch (const std::bad_alloc&) {
    // Memory the runtime did not ask for through its seam: report it as
    // the runtime's out-of-memory error.
    try {
      RaiseError(kErrOutOfMemory, 0);
    } catch (const RuntimeError&) {
    }
    failed = ReportError(kErrOutOfMemory);
  } catch (const std::exception& error) {
    fault = error.what();
    failed = true;
  } catch (...) {
    fault = "unknown exception";
    failed = true;
  }

  if (window.InputRefused()) failed = true;
  CloseWindows(window);
  ReleaseRuntime();
  RemoveFatalFaultReport();
  io::AttachWindow(nullptr);
  if (fault != nullptr) std::fprintf(stderr, "%s: internal fault: %s\n",
                                     g_frame.program_name.c_str(), fault);
  return failed ? 1 : g_frame.exit_code;
}

int RunProgram(int argc, char** argv, const ProgramRecord* program, void (*routine)()) {
  const char* path = argc > 0 && argv[0] != nullptr ? argv[0] : "";
  auto window = os::MakeStandardWindow();
  return RunProgramIn(*window, path, program, routine);
}

void ResetFrame() {
  g_frame = FrameState{};
  SetBreakArmed(true);
  ResetStatementHook();
  io::ResetScreen();
  io::ResetKeyQueue();
  io::AttachWindow(nullptr);
}

}  // namespace tolvex::frame
