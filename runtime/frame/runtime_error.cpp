// The error core: RaiseError, the error state, modules and statement number.
#include "runtime/frame/runtime_error.h"

#include "runtime/numeric/float_unit.h"
#include "runtime/text/string_stack.h"

namespace tolvex::frame {
namespace {
ErrorState g_errors;
const ProgramRecord* g_current_module = nullptr;
int16_t g_statement = 0;
}  // namespace

void RaiseError(int16_t code, uint32_t location) {
  g_errors.location = location;
  // A fault in the middle of a calculation must leave nothing pending.
  numeric::ResetFloatUnit();
  if (g_errors.processing || code == 0) return;
  g_errors.last_code = code;
  g_errors.statement = g_statement;
  g_errors.module = g_current_module;
  g_errors.processing = true;
  text::ReleaseTemps();
  throw RuntimeError{code, location};
}

void RegisterCurrentModule(const ProgramRecord* record) { g_current_module = record; }
const ProgramRecord* CurrentModule() { return g_current_module; }

void SetStatementNumber(int16_t number) { g_statement = number; }
int16_t StatementNumber() { return g_statement; }

ErrorState& Errors() { return g_errors; }

void ResetErrorState() {
  g_errors = ErrorState{};
  g_current_module = nullptr;
  g_statement = 0;
}

}  // namespace tolvex::frame
