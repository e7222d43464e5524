// The program frame (see frame.h): start-up in order, the run of the routine,
// the break, EndProgram and the termination sequence. Holds no OS code: the
// window it runs in comes from runtime/os or from the tests.
#include "runtime/frame/frame.h"

#include <csignal>
#include <cstdio>
#include <exception>
#include <new>

#include "runtime/core/attention.h"
#include "runtime/core/break_event.h"
#include "runtime/core/error_codes.h"
#include "runtime/frame/error_report.h"
#include "runtime/frame/fatal_fault.h"
#include "runtime/frame/runtime_reset.h"
#include "runtime/frame/startup_failure.h"
#include "runtime/frame/statement_hook.h"
#include "runtime/frontend/terminal_window.h"
#include "runtime/io/channel_table.h"
#include "runtime/io/console_screen.h"
#include "runtime/io/key_queue.h"
#include "runtime/io/window_system.h"
#include "runtime/numeric/float_unit.h"
#include "runtime/os/code_page.h"
#include "runtime/text/int_array.h"
#include "runtime/text/string_stack.h"

namespace tolvex::frame {
namespace {

struct FrameState {
  std::string program_name;
  const core::ProgramRecord* program = nullptr;
  bool ended = false;
  bool own_end = false;  // the routine returned or called EndProgram
  bool broke = false;    // the break ended the run
  uint16_t exit_code = 0;
};

FrameState g_frame;

// The termination sequence begins here: the main window is closed
// (forced), after the messages already waiting have been handled.
void CloseWindows(io::WindowSystem& window) {
  if (window.Exists()) window.PumpMessages();
  window.Close();
}

// Then, with the window gone: from here on RaiseError ignores everything;
// every channel is closed and the runtime's memory released.
void ReleaseRuntime() {
  core::Errors().processing = true;
  io::CloseChannel(0);  // a failure while closing is ignored now
  text::ResetStrings();
  text::ReleaseArrays();
}

// An unhandled runtime error: report it (or, for 98, the break's key wait).
// The report may itself end the program when the window goes away.
bool ReportError(int16_t code) {
  try {
    ReportUnhandledError();
  } catch (const core::ProgramTermination&) {
  } catch (const core::RuntimeError&) {
    // The error road raises nothing; a stray raise must not escape.
  }
  g_frame.ended = true;
  return code != core::kErrBreak;
}

// 130 after the break (the status a shell gives Ctrl+C), 128 + the number
// of the signal that closed the window, 1 for a window closed otherwise.
int CutShortStatus(int closing_signal) {
  if (g_frame.broke) return 128 + SIGINT;
  if (closing_signal != 0) return 128 + closing_signal;
  return 1;
}

}  // namespace

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

void RunBreak() {
  g_frame.broke = true;
  KeyWait(true);
  g_frame.ended = true;
  core::Terminate();
}

void EndProgram(int16_t code) {
  g_frame.ended = true;
  g_frame.own_end = true;
  g_frame.exit_code = static_cast<uint16_t>(code);
  core::Terminate();
}

bool Ended() { return g_frame.ended; }

int RunProgramIn(io::WindowSystem& window, const char* program_path,
                 const core::ProgramRecord* program, void (*routine)()) {
  // Start-up, in order: the program record, the name, the options, the
  // armed break, the window, the fatal-fault handler, then the run.
  g_frame = FrameState{};
  g_frame.program = program;
  g_frame.program_name = ProgramNameFromPath(program_path ? program_path : "");
  ConnectLayers();
  core::ResetBreakEvent();
  core::ResetAttention();
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
    g_frame.own_end = true;
  } catch (const core::ProgramTermination&) {
  } catch (const core::RuntimeError& error) {
    failed = ReportError(error.code);
  } catch (const std::bad_alloc&) {
    // Memory the runtime did not ask for through its seam: report it as
    // the runtime's out-of-memory error.
    try {
      core::RaiseError(core::kErrOutOfMemory, 0);
    } catch (const core::RuntimeError&) {
    }
    failed = ReportError(core::kErrOutOfMemory);
  } catch (const std::exception& error) {
    fault = error.what();
    failed = true;
  } catch (...) {
    fault = "unknown exception";
    failed = true;
  }

  if (window.InputRefused()) failed = true;
  CloseWindows(window);
  // A run cut short while it wrote a file of its own leaves that file
  // incomplete: it goes, and the status tells the run failed even where
  // an ending at a question would give 0.
  const bool cut_short = !g_frame.own_end && io::RemoveIncompleteFiles();
  ReleaseRuntime();
  RemoveFatalFaultReport();
  io::AttachWindow(nullptr);
  if (fault != nullptr) std::fprintf(stderr, "%s: internal fault: %s\n",
                                     g_frame.program_name.c_str(), fault);
  if (failed) return 1;
  if (cut_short) return CutShortStatus(window.ClosingSignal());
  return g_frame.exit_code;
}

int RunProgram(int argc, char** argv, const core::ProgramRecord* program, void (*routine)()) {
  const char* path = argc > 0 && argv[0] != nullptr ? argv[0] : "";
  auto window = frontend::MakeStandardWindow();
  return RunProgramIn(*window, path, program, routine);
}

void ResetFrame() {
  g_frame = FrameState{};
  core::ResetBreakEvent();
  core::ResetAttention();
  io::ResetScreen();
  io::ResetKeyQueue();
  io::AttachWindow(nullptr);
}

}  // namespace tolvex::frame
