// Puts every runtime-wide state back to its start (see runtime_reset.h).
// Each subsystem keeps its own state; this is the one list of them.
#include "runtime/frame/runtime_reset.h"

#include "runtime/core/break_event.h"
#include "runtime/core/runtime_error.h"
#include "runtime/frame/error_report.h"
#include "runtime/frame/frame.h"
#include "runtime/io/channel_table.h"
#include "runtime/io/input_source.h"
#include "runtime/io/io_context.h"
#include "runtime/numeric/float_unit.h"
#include "runtime/os/memory.h"
#include "runtime/text/int_array.h"
#include "runtime/text/string_stack.h"

namespace tolvex::frame {

void ConnectLayers() {
  core::SetRaiseCleanup({numeric::ResetFloatUnit, text::ReleaseTemps});
  core::SetBreakRunner(RunBreak);
}

void ResetRuntime() {
  ConnectLayers();
  os::FailAllocationsAfter(-1);
  core::ResetErrorState();
  ResetErrorReporting();
  text::ResetStrings();
  text::ReleaseArrays();
  io::ResetIoContext();
  io::ResetFiles();
  io::ReleaseInputBuffers();
  ResetFrame();
  numeric::ResetFloatUnit();
}

}  // namespace tolvex::frame
