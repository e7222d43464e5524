// Test support for the error-reporting tests: a fresh directory per test
// holding the user and machine hives, pointed at by their variables.
#pragma once
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "runtime/core/error_record.h"
#include "runtime/os/code_page.h"
#include "runtime/os/registry_store.h"
#include "tests/support/runtime_test.h"

namespace tolvex::testing {

class HiveTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    char pattern[] = "/tmp/tolvex-hive-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    user_hive_ = dir_ + "/user/user.reg";
    machine_hive_ = dir_ + "/machine/machine.reg";
    setenv(os::kUserHiveVariable, user_hive_.c_str(), 1);
    setenv(os::kMachineHiveVariable, machine_hive_.c_str(), 1);
  }
  void TearDown() override {
    unsetenv(os::kUserHiveVariable);
    unsetenv(os::kMachineHiveVariable);
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
    RuntimeTest::TearDown();
  }

  static std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  static void WriteFile(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
  }

  // Points OSTREL in the machine (or user) hive at `directory`, written by
  // hand as an installation would leave it (test paths need no escapes).
  void SetLibraryDirectory(const std::string& directory, bool machine = true) {
    const char* root = machine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
    WriteFile(machine ? machine_hive_ : user_hive_,
              std::string("REGEDIT4\n\n[") + root +
                  "\\Software\\Veltrane\\Ostrel V6.3\\ENV]\n\"OSTREL\"=\"" + directory + "\"\n");
  }

  // Code page 932 text as UTF-8, so that expectations read as text.
  static std::string Utf8(const std::string& cp932) {
    std::string text;
    return os::Cp932ToUtf8(cp932, &text) ? text : "<not code page 932>";
  }

  // One value of the error record in the user hive (0xDEAD, "<none>": absent).
  static uint32_t RecordNumber(const char* name) {
    uint32_t value = 0xDEAD;
    os::QueryRegistryNumber(os::RegistryRoot::kCurrentUser, core::kErrorRecordKey, name, &value);
    return value;
  }
  static std::string RecordText(const char* name) {
    std::string value = "<none>";
    os::QueryRegistryString(os::RegistryRoot::kCurrentUser, core::kErrorRecordKey, name, 300, &value);
    return value;
  }

  // The directory where the build put the message library; with `length`,
  // the same directory named in that many bytes, made up with "./" segments.
  static std::string LibraryDirectory(size_t length = 0) {
    std::string path = std::string(TOLVEX_BINARY_DIR) + "/msglib/";
    while (path.size() < length) path += (length - path.size() >= 2) ? "./" : "/";
    return path;
  }

  std::string dir_, user_hive_, machine_hive_;
};

}  // namespace tolvex::testing
