// The error core: RaiseError, the error state, modules and statement number.
#include "runtime/core/runtime_error.h"

namespace tolvex::core {
namespace {
ErrorState g_errors;
const ProgramRecord* g_current_module = nullptr;
RaiseCleanup g_cleanup;
}  // namespace

namespace runtime_error_detail {
int16_t statement = 0;
}  // namespace runtime_error_detail

void RaiseError(int16_t code, uint32_t location) {
  g_errors.location = location;
  if (g_cleanup.every_raise != nullptr) g_cleanup.every_raise();
  if (g_errors.processing || code == 0) return;
  g_errors.last_code = code;
  g_errors.statement = runtime_error_detail::statement;
  g_errors.module = g_current_module;
  g_errors.processing = true;
  if (g_cleanup.taken_raise != nullptr) g_cleanup.taken_raise();
  throw RuntimeError{code, location};
}

void SetRaiseCleanup(RaiseCleanup cleanup) { g_cleanup = cleanup; }

void RegisterCurrentModule(const ProgramRecord* record) { g_current_module = record; }
const ProgramRecord* CurrentModule() { return g_current_module; }

ErrorState& Errors() { return g_errors; }

void ResetErrorState() {
  g_errors = ErrorState{};
  g_current_module = nullptr;
  runtime_error_detail::statement = 0;
}

}  // namespace tolvex::core
