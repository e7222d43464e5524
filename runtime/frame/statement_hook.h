// StatementHook: the statement-boundary hook. One predictable branch on the
// fast path; the message pump every 11th time and the break when pending.
#pragma once
#include <cstdint>

#include "runtime/core/attention.h"

namespace tolvex::frame {

namespace hook_detail {
void SlowPath();
}  // namespace hook_detail

// Called before every statement. Pumps the window's messages on the 1st,
// 12th, 23rd... call, terminates when the window has been closed, and runs
// the break when Ctrl+C is pending. Costs no system call otherwise.
inline void StatementHook() {
  // One instruction counts down and sets the sign: a signal handler, which
  // runs between instructions, cannot fall between the read and the write
  // of the counter and see a request's bias lost.
  bool due;
  asm volatile("subq $1, %0" : "+m"(core::attention_detail::counter), "=@ccs"(due));
  if (__builtin_expect(due, 0)) hook_detail::SlowPath();
}

}  // namespace tolvex::frame
