// The fatal fault report (see fatal_fault.h). Everything reachable from the
// signal handler is async-signal-safe: no allocation, no stdio, no locale.
#include "runtime/frame/fatal_fault.h"

#include <cstring>
#include <string>

#include "runtime/core/error_record.h"
#include "runtime/core/runtime_error.h"
#include "runtime/os/code_page.h"
#include "runtime/os/fatal_signals.h"
#include "runtime/os/terminal_mode.h"

namespace tolvex::frame {
namespace {

// "続行不可能なエラーが発生しました " (an error occurred from which the program
// cannot continue), with the space that precedes the module name.
constexpr char kFatalText[] =
    "\x91\xB1\x8D\x73\x95\x73\x89\xC2\x94\x5C\x82\xC8\x83\x47\x83\x89\x81\x5B"
    "\x82\xAA\x94\xAD\x90\xB6\x82\xB5\x82\xDC\x82\xB5\x82\xBD ";
// "(モジュール名不明)" (module name unknown)
constexpr char kUnknownModule[] =
    "(\x83\x82\x83\x57\x83\x85\x81\x5B\x83\x8B\x96\xBC\x95\x73\x96\xBE)";
// "行]" (line), closing the statement number; then CR LF.
constexpr char kLineClose[] = "\x8D\x73]\r\n";

// The three fixed texts in the terminal's form, converted at installation
// because iconv may not run in a handler.
struct FixedText {
  char bytes[96];
  uint32_t length;
};
FixedText g_fatal_text;
FixedText g_unknown_module;
FixedText g_line_close;


void Prepare(const char* cp932, FixedText* text) {
  std::string utf8;
  if (!os::Cp932ToUtf8(cp932, &utf8) || utf8.size() > sizeof text->bytes) utf8 = cp932;
  std::memcpy(text->bytes, utf8.data(), utf8.size());
  text->length = static_cast<uint32_t>(utf8.size());
}

// Fixed texts are prepared on first use if the handler was never installed
// (a direct call from a test). Not signal-safe, so only outside handlers.
void EnsurePrepared() {
  if (g_fatal_text.length != 0) return;
  Prepare(kFatalText, &g_fatal_text);
  Prepare(kUnknownModule, &g_unknown_module);
  Prepare(kLineClose, &g_line_close);
}

void Put(char* line, uint32_t* length, uint32_t capacity, const char* bytes, uint32_t count) {
  if (count > capacity - *length) count = capacity - *length;
  std::memcpy(line + *length, bytes, count);
  *length += count;
}

void OnFatalSignal(int signal_number, uint32_t address) {
  FatalFaultReport(static_cast<uint32_t>(signal_number), address);
}

}  // namespace

void FatalFaultReport(uint32_t exception_code, uint32_t address) {
  os::RestoreTerminalNow();
  char line[512];
  uint32_t length = 0;
  const uint32_t capacity = sizeof line;
  Put(line, &length, capacity, g_fatal_text.bytes, g_fatal_text.length);
  const core::ProgramRecord* module = core::CurrentModule();
  const char* name = (module && module->source_name) ? module->source_name : nullptr;
  if (name)
    Put(line, &length, capacity, name, static_cast<uint32_t>(std::strlen(name)));
  else
    Put(line, &length, capacity, g_unknown_module.bytes, g_unknown_module.length);
  Put(line, &length, capacity, " [", 2);
  uint16_t statement = static_cast<uint16_t>(core::StatementNumber());
  char digits[8];
  uint32_t count = 0;
  do {
    digits[sizeof digits - 1 - count++] = static_cast<char>('0' + statement % 10);
    statement = static_cast<uint16_t>(statement / 10);
  } while (statement != 0);
  Put(line, &length, capacity, digits + sizeof digits - count, count);
  Put(line, &length, capacity, g_line_close.bytes, g_line_close.length);
  os::WriteAll(2, line, length);

  core::WriteFaultRecord(name, static_cast<uint16_t>(core::StatementNumber()), address, exception_code);
}

void InstallFatalFaultReport() {
  EnsurePrepared();
  core::PrepareFaultRecord();
  os::InstallFatalSignals(OnFatalSignal);
}

void RemoveFatalFaultReport() { os::RemoveFatalSignals(); }

}  // namespace tolvex::frame
