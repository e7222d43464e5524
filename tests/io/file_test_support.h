// The file tests' fixture: a fresh temporary current directory, whole-file helpers, and
// channels opened by name.
#pragma once
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "runtime/core/error_codes.h"
#include "runtime/io/channel_table.h"
#include "runtime/io/open_channel.h"
#include "runtime/os/file_system.h"
#include "runtime/text/string_stack.h"
#include "tests/support/runtime_test.h"

namespace tolvex::testing {

class FileTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    old_directory_ = std::filesystem::current_path();
    std::string pattern = (std::filesystem::temp_directory_path() / "tolvex-io-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    std::filesystem::current_path(directory_ = pattern);
  }
  void TearDown() override {
    RuntimeTest::TearDown();
    std::filesystem::current_path(old_directory_);
    std::filesystem::remove_all(directory_);
  }

  static void Put(const std::string& name, const std::string& bytes) {
    std::ofstream(name, std::ios::binary) << bytes;
  }
  static std::string Get(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static bool Exists(const std::string& name) { return std::filesystem::exists(name); }

  // Pushes `name` (code page 932 bytes) and opens it.
  static void Open(uint16_t mode, uint16_t share, uint16_t channel, const std::string& name,
                   uint32_t has_length = 0, int32_t length = 0) {
    text::PushConstText(text::ConstText(name));
    io::OpenChannel(mode, share, channel, has_length, length);
  }
  static io::ChannelSlot* ChannelSlotOf(int32_t c) { return io::SlotAt(io::LookupChannel(c)); }
  static io::FileControl& ControlOf(int32_t channel) { return *ChannelSlotOf(channel)->control; }

  std::filesystem::path directory_;

 private:
  std::filesystem::path old_directory_;
};

}  // namespace tolvex::testing
