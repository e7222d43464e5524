// StatementHook's slow path (see statement_hook.h): the message pump every
// 11th hook and the event check. Holds no OS code.
#include "runtime/frame/statement_hook.h"

#include "runtime/core/break_event.h"
#include "runtime/core/runtime_options.h"
#include "runtime/core/termination.h"
#include "runtime/io/window_system.h"

namespace tolvex::frame {
namespace hook_detail {

void SlowPath() {
  using core::attention_detail::attention;
  using core::attention_detail::counter;
  using core::attention_detail::kAttentionBias;
  // Without its biases the counter lies in -1..interval. A request that
  // comes while they are taken back may lose its bias: its flag, read
  // below, still stands.
  while (counter < -1) counter += kAttentionBias;
  if (counter < 0) {
    // The counter ran out: reload it and pump. With interval 10 the pump
    // runs on the 1st, 12th, 23rd... hook; an interval below 0 pumps at
    // every hook.
    const int32_t interval = core::Options().hook_interval;
    counter = interval < 0 ? 0 : interval;
    io::WindowSystem* window = io::MainWindow();
    if (window != nullptr && !window->PumpMessages()) core::Terminate();
  }
  // Nearly always nothing is pending: a plain load sees that, and only a
  // set flag is taken with the exchange (a locked instruction). A flag set
  // just after the load stays set for the next hook.
  uint32_t flags = attention.load(std::memory_order_relaxed);
  if (flags != 0) flags = attention.exchange(0, std::memory_order_relaxed);
  if (flags & core::kAttentionBreakSignal) core::MarkBreakPending();
  if (flags != 0 || core::BreakPending()) {
    attention.store(0, std::memory_order_relaxed);
    core::BreakCheck();
  }
}

}  // namespace hook_detail
}  // namespace tolvex::frame
