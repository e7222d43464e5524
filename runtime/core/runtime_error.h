// The error core: the one way a runtime error is raised, and the error state
// that the frame's report reads. Holds no OS code.
#pragma once
#include <cstdint>

namespace tolvex::core {

// The compiled routine's constant record; only its source name matters here.
struct ProgramRecord {
  const char* source_name;  // NUL-terminated, code page 932
};

// Runtime-wide error state. Starts at code 0, statement 0, no module, flag clear.
struct ErrorState {
  int16_t last_code = 0;
  int16_t statement = 0;         // statement number current at the raise
  uint32_t location = 0;         // low 16 bits: operation << 8 | point
  const ProgramRecord* module = nullptr;  // current module at the raise
  bool processing = false;       // set from an accepted error (or the end) until exit
};

// The single exception type of the runtime. Thrown only by RaiseError,
// caught only by the frame (and by tests standing in for it).
struct RuntimeError {
  int16_t code;
  uint32_t location;
};

// Raises runtime error `code` at `location`.
// Returns to the caller only when code is 0 or an error is already being
// processed; otherwise records code, statement and module, sets the processing
// flag, releases every string temporary and throws RuntimeError.
// Example: RaiseError(5, 0x9801) from FindText(0).
void RaiseError(int16_t code, uint32_t location);

// The clean-up that layers above the error core hand it, since it cannot
// name them: `every_raise` runs at each raise, taken or not (a fault in the
// middle of a calculation must leave nothing pending); `taken_raise` when
// the error is recorded (every string temporary released). ResetRuntime
// installs both.
struct RaiseCleanup {
  void (*every_raise)() = nullptr;
  void (*taken_raise)() = nullptr;
};
void SetRaiseCleanup(RaiseCleanup cleanup);

void RegisterCurrentModule(const ProgramRecord* record);
const ProgramRecord* CurrentModule();

// The routine's current statement number (signed 16-bit, 0 at start). Set
// before every statement, so inline.
inline void SetStatementNumber(int16_t number);
inline int16_t StatementNumber();

ErrorState& Errors();
// Back to the start state: no error, no module, statement 0, flag clear.
void ResetErrorState();

namespace runtime_error_detail {
extern int16_t statement;
}  // namespace runtime_error_detail

inline void SetStatementNumber(int16_t number) { runtime_error_detail::statement = number; }
inline int16_t StatementNumber() { return runtime_error_detail::statement; }

}  // namespace tolvex::core
