// StatementHook: the pump on the 1st, 12th, 23rd... hook, and the break
// requested from a signal.
#include "runtime/frame/statement_hook.h"

#include "runtime/core/break_event.h"
#include "runtime/frame/frame.h"
#include "runtime/frontend/headless_window.h"
#include "runtime/io/window_system.h"
#include "tests/support/runtime_test.h"

namespace tolvex::testing {
namespace {

class StatementHookTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    window.Open("t");
    io::AttachWindow(&window);
  }
  frontend::HeadlessWindow window;
};

// The pump runs on every 11th hook from the first, and without a window
// nothing happens; a break requested from a signal runs at the next hook,
// unless the break is disarmed.
TEST_F(StatementHookTest, PumpsOnThe1st12thAnd23rdHookAndRunsASignalsBreak) {
  std::vector<int> pumped_at;
  for (int hook = 1; hook <= 34; ++hook) {
    int before = window.pumps;
    frame::StatementHook();
    if (window.pumps != before) pumped_at.push_back(hook);
  }
  EXPECT_EQ(pumped_at, (std::vector<int>{1, 12, 23, 34}));
  io::AttachWindow(nullptr);
  for (int i = 0; i < 30; ++i) frame::StatementHook();
  io::AttachWindow(&window);
  core::RequestAttention(core::kAttentionBreakSignal);
  window.Type("k");  // the key for the break's key wait
  EXPECT_THROW(frame::StatementHook(), core::ProgramTermination);
  EXPECT_TRUE(frame::Ended());
  frame::ResetRuntime();
  io::AttachWindow(&window);
  core::SetBreakArmed(false);
  core::RequestAttention(core::kAttentionBreakSignal);
  frame::StatementHook();
  frame::StatementHook();
  EXPECT_FALSE(frame::Ended());
}

}  // namespace
}  // namespace tolvex::testing
