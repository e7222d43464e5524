// The error core: what RaiseError records, when it returns, and what it
// releases on the way out.
#include "runtime/core/runtime_error.h"

#include "runtime/text/string_stack.h"
#include "tests/support/runtime_test.h"

namespace tolvex::core {
namespace {

using RuntimeErrorTest = testing::RuntimeTest;

const ProgramRecord kRoutine{"Tolvex"};

// Code 0 returns, recording only the location; a raise records code,
// statement and module and unwinds, releasing the temporaries; while it is
// processed, a second raise returns too.
TEST_F(RuntimeErrorTest, RecordsUnwindsAndIgnoresWhatComesAfter) {
  RegisterCurrentModule(&kRoutine);
  SetStatementNumber(7);
  RaiseError(0, 0x1234);
  EXPECT_EQ(Errors().last_code, 0);
  EXPECT_EQ(Errors().location, 0x1234u);
  EXPECT_FALSE(Errors().processing);
  SetStatementNumber(33);
  text::PushConstText(text::ConstText("temporary"));
  EXPECT_THROW(RaiseError(5, 0x9A01), RuntimeError);  // what it carries: every Raises()
  EXPECT_EQ(Errors().last_code, 5);
  EXPECT_EQ(Errors().statement, 33);
  EXPECT_EQ(Errors().location, 0x9A01u);
  EXPECT_EQ(Errors().module, &kRoutine);
  EXPECT_TRUE(Errors().processing);
  EXPECT_EQ(text::StackDepth(), 0);
  EXPECT_EQ(text::StringHeapStats().live_blocks, 0u);
  SetStatementNumber(8);
  RaiseError(6, 0xF701);
  EXPECT_EQ(Errors().last_code, 5);
  EXPECT_EQ(Errors().statement, 33);
}

}  // namespace
}  // namespace tolvex::core
