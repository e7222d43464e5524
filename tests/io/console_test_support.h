// The console tests' fixture: a fresh runtime with a headless main window, and cell helpers.
#pragma once
#include <string>
#include <string_view>

#include "runtime/frontend/headless_window.h"
#include "runtime/io/console_screen.h"
#include "runtime/io/window_system.h"
#include "tests/support/runtime_test.h"

namespace tolvex::testing {

class ConsoleTest : public RuntimeTest {
 protected:
  void SetUp() override { Fresh(); }
  void TearDown() override {
    io::AttachWindow(nullptr);
    RuntimeTest::TearDown();
  }
  // Back to a fresh runtime with the same window, its script emptied.
  void Fresh() {
    frame::ResetRuntime();
    window = frontend::HeadlessWindow{};
    window.Open("test");
    io::AttachWindow(&window);
  }
  static void Write(std::string_view bytes) {
    io::WriteConsoleBytes(reinterpret_cast<const uint8_t*>(bytes.data()),
                          static_cast<uint32_t>(bytes.size()));
  }
  // A row without its trailing blanks.
  static std::string Row(int row) {
    std::string text = io::RowText(row);
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
  }
  static int CursorRow() { return io::Screen().cursor_row; }
  static int CursorColumn() { return io::Screen().cursor_column; }

  frontend::HeadlessWindow window;
};

}  // namespace tolvex::testing
