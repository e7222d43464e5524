// The fatal signals' handler (see fatal_signals.h). Async-signal-safe.
#include "runtime/os/fatal_signals.h"

#include <signal.h>
#include <ucontext.h>

namespace tolvex::os {
namespace {

constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

char g_alternate_stack[64 * 1024];
void (*g_report)(int, uint32_t) = nullptr;
volatile sig_atomic_t g_reporting = 0;
bool g_installed = false;

uint32_t FaultAddress(const siginfo_t* info, const void* context) {
  // A signal sent by a process carries no fault.
  if (info == nullptr || info->si_code <= 0) return kNoFaultAddress;
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
  if (g_reporting == 0 && g_report != nullptr) {
    g_reporting = 1;
    g_report(signal_number, FaultAddress(info, context));
  }
  // The signal stays blocked until the handler returns; then its default
  // action ends the process (also for a signal that was sent, not caused).
  raise(signal_number);
}

}  // namespace

void InstallFatalSignals(void (*report)(int signal_number, uint32_t address)) {
  g_report = report;
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

void RemoveFatalSignals() {
  if (!g_installed) return;
  for (int s : kFatalSignals) signal(s, SIG_DFL);
  stack_t stack = {};
  stack.ss_flags = SS_DISABLE;
  sigaltstack(&stack, nullptr);
  g_installed = false;
}

}  // namespace tolvex::os
