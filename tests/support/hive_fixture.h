// Test support for the error-reporting tests: a fresh directory per test
// holding the user and machine hives, pointed at by their variables.
#pragma once
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "runtime/core/error_record.h"
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
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  static void WriteFile(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
  }

  // Points the machine hive's OSTREL at `directory`, written by hand as an
  // installation would leave it.
  void SetLibraryDirectory(const std::string& hive, const char* root, const std::string& directory) {
    std::string escaped;
    for (char c : directory) {
      if (c == '\\' || c == '"') escaped += '\\';
      escaped += c;
    }
    WriteFile(hive, std::string("REGEDIT4\n\n[") + root +
                        "\\Software\\Veltrane\\Ostrel V6.3\\ENV]\n\"OSTREL\"=\"" + escaped + "\"\n");
  }

  // "2024/03/05 14:07:09": the record's time form (a 4-digit year here).
  static bool IsRecordTime(std::string_view text) {
    const std::string_view form = "0000/00/00 00:00:00";
    if (text.size() != form.size()) return false;
    for (size_t i = 0; i < form.size(); ++i)
      if (form[i] == '0' ? (text[i] < '0' || text[i] > '9') : text[i] != form[i]) return false;
    return true;
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

  // The directory where the build put the message library.
  static std::string LibraryDirectory() { return std::string(TOLVEX_BINARY_DIR) + "/msglib/"; }
  // The same directory named in `length` bytes, made up with "./" segments.
  static std::string LibraryDirectory(size_t length) {
    std::string path = LibraryDirectory();
    while (path.size() < length) path += (length - path.size() >= 2) ? "./" : "/";
    return path;
  }

  std::string dir_, user_hive_, machine_hive_;
};

}  // namespace tolvex::testing
