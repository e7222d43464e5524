// StatementHook: the statement-boundary hook. One predictable branch on the
// fast path; the message pump every 11th time and the break when pending.
#pragma once
#include <atomic>
#include <cstdint>

namespace tolvex::frame {

namespace hook_detail {
// Hooks left until the next pump (0 at start, so the first hook pumps),
// less kAttentionBias for every request for attention not yet looked at:
// negative exactly when the slow path is due.
extern int64_t counter;
// What the requests asked for. Signal handlers and key dispatch only ever
// set it (and bias the counter).
extern std::atomic<uint32_t> attention;
// Above any hook interval, so that the slow path can take every bias back.
constexpr int64_t kAttentionBias = int64_t{1} << 32;
void SlowPath();
}  // namespace hook_detail

// Called before every statement. Pumps the window's messages on the 1st,
// 12th, 23rd... call, terminates when the window has been closed, and runs
// the break when Ctrl+C is pending. Costs no system call otherwise.
inline void StatementHook() {
  // One instruction counts down and sets the sign: a signal handler, which
  // runs between instructions, cannot fall between the read and the write
  // of the counter and see its bias lost.
  bool due;
  asm volatile("subq $1, %0" : "+m"(hook_detail::counter), "=@ccs"(due));
  if (__builtin_expect(due, 0)) hook_detail::SlowPath();
}

constexpr uint32_t kAttentionEvent = 1;        // an event became pending
constexpr uint32_t kAttentionBreakSignal = 2;  // SIGINT: the break key from outside

// Raises the attention flag and sends the next hook down its slow path
// (async-signal-safe: a lock-free atomic, and the bias in one instruction).
inline void RequestAttention(uint32_t what = kAttentionEvent) {
  hook_detail::attention.fetch_or(what, std::memory_order_relaxed);
  asm volatile("subq %1, %0" : "+m"(hook_detail::counter) : "r"(hook_detail::kAttentionBias));
}
void ResetStatementHook();

}  // namespace tolvex::frame
