// The error core: what RaiseError records, when it returns, and what it
// releases on the way out.
#include <gtest/gtest.h>

#include "runtime/core/runtime_error.h"
#include "runtime/text/string_heap.h"
#include "runtime/text/string_stack.h"
#include "tests/support/runtime_test.h"

namespace tolvex::core {
namespace {

using RuntimeErrorTest = testing::RuntimeTest;

const ProgramRecord kRoutine{"Tolvex"};

TEST_F(RuntimeErrorTest, RecordsCodeStatementModuleAndUnwinds) {
  RegisterCurrentModule(&kRoutine);
  SetStatementNumber(33);
  text::PushConstText(text::ConstText("temporary"));
  try {
    RaiseError(5, 0x9A01);
    FAIL() << "RaiseError returned";
  } catch (const RuntimeError& error) {
    EXPECT_EQ(error.code, 5);
    EXPECT_EQ(error.location, 0x9A01u);
  }
  EXPECT_EQ(Errors().last_code, 5);
  EXPECT_EQ(Errors().statement, 33);
  EXPECT_EQ(Errors().location, 0x9A01u);
  EXPECT_EQ(Errors().module, &kRoutine);
  EXPECT_TRUE(Errors().processing);
  EXPECT_EQ(text::StackDepth(), 0);
  EXPECT_EQ(text::StringHeapStats().live_blocks, 0u);
}

TEST_F(RuntimeErrorTest, CodeZeroAndASecondErrorReturn) {
  SetStatementNumber(7);
  RaiseError(0, 0x1234);  // no error: returns, records only the location
  EXPECT_EQ(Errors().last_code, 0);
  EXPECT_FALSE(Errors().processing);

  EXPECT_THROW(RaiseError(63, 0x2008), RuntimeError);
  SetStatementNumber(8);
  RaiseError(6, 0xF701);  // while the first is processed: ignored
  EXPECT_EQ(Errors().last_code, 63);
  EXPECT_EQ(Errors().statement, 7);
}

}  // namespace
}  // namespace tolvex::core
