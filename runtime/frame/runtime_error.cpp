// The error core: RaiseError, the error state, modules and statement number.
#include "runtime/frame/runtime_error.h"

#include "runtime/numeric/float_unit.h"
#include "runtime/text/string_stack.h"

namespace tolvex::frame {
namespace {
ErrorState g_errors;
const ProgramRecord* g_current_module = nullptr;
}  // namespace

namespace runtime_error_detail {
int16_t statement = 0;
}  // namespace runtime_error_detail

void RaiseError(int16_t code, uint32_t location) {
  g_errors.location = location;
  // A fault in the middle of a calculation must leave nothing pending.
  numeric::ResetFloatUnit();
  if (g_errors.processing || code == 0) return;
  g_errors.last_code = code;
  g_errors.statement = runtime_error_detail::statement;
  g_errors.module = g_current_module;
  g_errors.processing = true;
  text::ReleaseTemps();
  throw RuntimeError{code, location};
}

void RegisterCurrentModule(const ProgramRecord* record) { g_current_module = record; }
const ProgramRecord* CurrentModule() { return g_current_module; }

ErrorState& Errors() { return g_errors; }

void ResetErrorState() {
  g_errors = ErrorState{};
  g_current_module = nullptr;
  runtime_error_detail::statement = 0;
}

}  // namespace tolvex::frame
