// The attached main window (see window_system.h) and the small helpers that
// ask it for a repaint or a beep when it exists. Holds no OS code.
#include "runtime/io/window_system.h"

#include "runtime/io/console_screen.h"

namespace tolvex::io {
namespace window_system_detail {
WindowSystem* main_window = nullptr;
}  // namespace window_system_detail

using window_system_detail::main_window;

void AttachWindow(WindowSystem* window) { main_window = window; }
bool ConsoleUsable() { return main_window != nullptr && main_window->Exists(); }

void RepaintConsole() {
  if (ConsoleUsable()) main_window->Repaint();
  Screen().repaint_pending = false;
}

void BeepConsole() {
  if (ConsoleUsable()) main_window->Beep();
}

}  // namespace tolvex::io
