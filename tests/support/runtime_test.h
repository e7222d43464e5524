// Shared test support: a fixture that resets the runtime around each test,
// and an assertion that a call raises a given runtime error.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <utility>

#include "runtime/core/runtime_error.h"
#include "runtime/frame/runtime_reset.h"

namespace tolvex::testing {

class RuntimeTest : public ::testing::Test {
 protected:
  void SetUp() override { frame::ResetRuntime(); }
  void TearDown() override { frame::ResetRuntime(); }
};

// Runs `call`; succeeds when it raised exactly `code` at `location`. The
// processing flag is cleared again so the test can go on raising.
template <class Call>
::testing::AssertionResult Raises(Call&& call, int16_t code, uint32_t location) {
  ::testing::Message said;
  try {
    std::forward<Call>(call)();
    said << "raised nothing";
  } catch (const core::RuntimeError& error) {
    core::Errors().processing = false;
    if (error.code == code && error.location == location) return ::testing::AssertionSuccess();
    said << "raised " << error.code << " at 0x" << std::hex << error.location << std::dec;
  }
  said << ", expected " << code << " at 0x" << std::hex << location;
  return ::testing::AssertionFailure() << said;
}

}  // namespace tolvex::testing
