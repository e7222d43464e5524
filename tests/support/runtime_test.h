// Shared test support: a fixture that resets the runtime around each test,
// and an assertion that a call raises a given runtime error.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
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
  try {
    std::forward<Call>(call)();
  } catch (const core::RuntimeError& error) {
    core::Errors().processing = false;
    if (error.code == code && error.location == location)
      return ::testing::AssertionSuccess();
    char text[96];
    std::snprintf(text, sizeof text, "raised %d at 0x%04X, expected %d at 0x%04X",
                  error.code, static_cast<unsigned>(error.location), code,
                  static_cast<unsigned>(location));
    return ::testing::AssertionFailure() << text;
  }
  char text[64];
  std::snprintf(text, sizeof text, "raised nothing, expected %d at 0x%04X", code,
                static_cast<unsigned>(location));
  return ::testing::AssertionFailure() << text;
}

}  // namespace tolvex::testing
