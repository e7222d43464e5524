// The fatal fault report (see fatal_fault.h). Everything reachable from the
// signal handler is async-signal-safe: no allocation, no stdio, no locale.
#include "runtime/frame/fatal_fault.h"

#include <signal.h>
#include <ucontext.h>

#include <cstring>
#include <string>

#include "runtime/frame/error_record.h"
#include "runtime/frame/runtime_error.h"
#include "runtime/os/code_page.h"
#include "runtime/os/terminal_mode.h"

namespace tolvex::frame {
namespace {

constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

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

char g_alternate_stack[64 * 1024];
volatile sig_atomic_t g_reporting = 0;
bool g_installed = false;

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

uint32_t FaultAddress(const siginfo_t* info, const void* context) {
  // A signal sent by a process carries no fault.
  if (info == nullptr || info->si_code <= 0) return kNoFaultRecord;
  const auto* user = static_cast<const ucontext_t*>(context);
#if defined(__x86_64__)
  if (user) return static_cast<uint32_t>(user->uc_mcontext.gregs[REG_RIP]);
#elif defined(__aarch64__)
  if (user) return static_cast<uint32_t>(user->uc_mcontext.pc);
#else
  (void)user;
#endif
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(info->si_addr));
}

void OnFatalSignal(int signal_number, siginfo_t* info, void* context) {
  // SA_RESETHAND has put the default action back already. A second fault
  // inside the report goes straight to it.
  if (g_reporting == 0) {
    g_reporting = 1;
    FatalFaultReport(static_cast<uint32_t>(signal_number), FaultAddress(info, context));
  }
  // The signal stays blocked until the handler returns; then its default
  // action ends the process (also for a signal that was sent, not caused).
  raise(signal_number);
}

}  // namespace

void FatalFaultReport(uint32_t exception_code, uint32_t address) {
  os::RestoreTerminalNow();
  char line[512];
  uint32_t length = 0;
  const uint32_t capacity = sizeof line;
  Put(line, &length, capacity, g_fatal_text.bytes, g_fatal_text.length);
  const ProgramRecord* module = CurrentModule();
  const char* name = (module && module->source_name) ? module->source_name : nullptr;
  if (name)
    Put(line, &length, capacity, name, static_cast<uint32_t>(std::strlen(name)));
  else
    Put(line, &length, capacity, g_unknown_module.bytes, g_unknown_module.length);
  Put(line, &length, capacity, " [", 2);
  uint16_t statement = static_cast<uint16_t>(StatementNumber());
  char digits[8];
  uint32_t count = 0;
  do {
    digits[sizeof digits - 1 - count++] = static_cast<char>('0' + statement % 10);
    statement = static_cast<uint16_t>(statement / 10);
  } while (statement != 0);
  Put(line, &length, capacity, digits + sizeof digits - count, count);
  Put(line, &length, capacity, g_line_close.bytes, g_line_close.length);
  os::WriteAll(2, line, length);

  WriteFaultRecord(name, static_cast<uint16_t>(StatementNumber()), address, exception_code);
}

void InstallFatalFaultReport() {
  EnsurePrepared();
  PrepareFaultRecord();
  g_reporting = 0;
  stack_t stack = {};
  stack.ss_sp = g_alternate_stack;
  stack.ss_size = sizeof g_alternate_stack;
  sigaltstack(&stack, nullptr);
  struct sigaction action = {};
  action.sa_sigaction = OnFatalSignal;
  action.sa_flags = SA_SIGINFO | SA_RESETHAND | SA_ONSTACK;
  sigemptyset(&action.sa_mask);
  for (int s : kFatalSignals) sigaddset(&action.sa_mask, s);
  for (int s : kFatalSignals) sigaction(s, &action, nullptr);
  g_installed = true;
}

void RemoveFatalFaultReport() {
  if (!g_installed) return;
  for (int s : kFatalSignals) signal(s, SIG_DFL);
  stack_t stack = {};
  stack.ss_flags = SS_DISABLE;
  sigaltstack(&stack, nullptr);
  g_installed = false;
}

}  // namespace tolvex::frame
