// The break event's flags (see break_event.h).
#include "runtime/core/break_event.h"

#include <cstdint>

#include "runtime/core/attention.h"

namespace tolvex::core {
namespace {

constexpr uint8_t kEventArmed = 1;
constexpr uint8_t kEventPending = 2;

uint8_t g_break_event = kEventArmed;
void (*g_run_break)() = nullptr;

}  // namespace

void MarkBreakPending() {
  g_break_event |= kEventPending;
  RequestAttention();
}

bool BreakPending() { return (g_break_event & kEventPending) != 0; }

void SetBreakArmed(bool armed) {
  g_break_event = static_cast<uint8_t>(armed ? g_break_event | kEventArmed
                                             : g_break_event & ~kEventArmed);
}

bool BreakEnabled() { return (g_break_event & kEventArmed) != 0; }

void BreakCheck() {
  if (g_break_event != (kEventArmed | kEventPending)) return;
  g_break_event = kEventArmed;
  if (g_run_break != nullptr) g_run_break();
}

void SetBreakRunner(void (*run_break)()) { g_run_break = run_break; }

void ResetBreakEvent() { g_break_event = kEventArmed; }

}  // namespace tolvex::core
