// Statement hook benchmark: the cost of one StatementHook when nothing is
// pending, with and without a (headless) main window whose pump runs on
// every 11th hook and finds nothing waiting.
#include <chrono>
#include <cstdio>

#include "runtime/frame/runtime_reset.h"
#include "runtime/frame/statement_hook.h"
#include "runtime/frontend/headless_window.h"
#include "runtime/io/window_system.h"

namespace {

using Clock = std::chrono::steady_clock;

// Runs `count` hooks (unrolled by the loop only); returns ns per hook.
double NanosecondsPerHook(long count) {
  auto start = Clock::now();
  for (long i = 0; i < count; ++i) {
    tolvex::frame::StatementHook();
    // Keeps the loop from being folded: the routine does work between hooks.
    asm volatile("" ::: "memory");
  }
  return std::chrono::duration<double, std::nano>(Clock::now() - start).count() /
         static_cast<double>(count);
}

}  // namespace

int main() {
  constexpr long kHooks = 100'000'000;
  tolvex::frame::ResetRuntime();
  double bare = NanosecondsPerHook(kHooks);
  std::printf("StatementHook, no window:             %.3f ns per hook (%ld hooks)\n", bare,
              kHooks);

  tolvex::frontend::HeadlessWindow window;
  window.Open("bench");
  tolvex::io::AttachWindow(&window);
  double pumped = NanosecondsPerHook(kHooks);
  std::printf("StatementHook, window pumped every 11: %.3f ns per hook (%d pumps)\n", pumped,
              window.pumps);
  tolvex::io::AttachWindow(nullptr);
  return 0;
}
