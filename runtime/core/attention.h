// The attention request: how a signal handler or the key dispatch tells
// the statement hook, at its next call, that something needs looking at.
// The hook's countdown lives here too, since a request biases it.
#pragma once
#include <atomic>
#include <cstdint>

namespace tolvex::core {

namespace attention_detail {
// Hooks left until the next pump (0 at start, so the first hook pumps),
// less kAttentionBias for every request for attention not yet looked at:
// negative exactly when the hook's slow path is due.
extern int64_t counter;
// What the requests asked for. Signal handlers and key dispatch only ever
// set it (and bias the counter).
extern std::atomic<uint32_t> attention;
// Above any hook interval, so that the slow path can take every bias back.
constexpr int64_t kAttentionBias = int64_t{1} << 32;
}  // namespace attention_detail

constexpr uint32_t kAttentionEvent = 1;        // an event became pending
constexpr uint32_t kAttentionBreakSignal = 2;  // SIGINT: the break key from outside

// Raises the attention flag and sends the next hook down its slow path
// (async-signal-safe: a lock-free atomic, and the bias in one instruction).
inline void RequestAttention(uint32_t what = kAttentionEvent) {
  attention_detail::attention.fetch_or(what, std::memory_order_relaxed);
  asm volatile("subq %1, %0"
               : "+m"(attention_detail::counter)
               : "r"(attention_detail::kAttentionBias));
}

// No request outstanding, and the countdown at 0.
void ResetAttention();

}  // namespace tolvex::core
