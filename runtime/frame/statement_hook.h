// StatementHook: the statement-boundary hook. One predictable branch on the
// fast path; the message pump every 11th time and the break when pending.
#pragma once
#include <atomic>
#include <cstdint>

namespace tolvex::frame {

namespace hook_detail {
// Hooks left until the next pump; 0 at start, so the first hook pumps.
extern int32_t counter;
// Non-zero when something must be looked at now (the break is pending).
// Signal handlers and key dispatch only ever set it.
extern std::atomic<uint32_t> attention;
void SlowPath();
}  // namespace hook_detail

// Called before every statement. Pumps the window's messages on the 1st,
// 12th, 23rd... call, terminates when the window has been closed, and runs
// the break when Ctrl+C is pending. Costs no system call otherwise.
inline void StatementHook() {
  // The counter counts down to -1 (it is never below that: the slow path
  // reloads it), so the sign of the decrement says the pump is due.
  const bool due = --hook_detail::counter < 0;
  if (__builtin_expect(due | (hook_detail::attention.load(std::memory_order_relaxed) != 0), 0))
    hook_detail::SlowPath();
}

constexpr uint32_t kAttentionEvent = 1;        // an event became pending
constexpr uint32_t kAttentionBreakSignal = 2;  // SIGINT: the break key from outside

// Raises the attention flag (async-signal-safe: a lock-free atomic).
inline void RequestAttention(uint32_t what = kAttentionEvent) {
  hook_detail::attention.fetch_or(what, std::memory_order_relaxed);
}
void ResetStatementHook();

}  // namespace tolvex::frame
