// The attached main window (see window_system.h) and the small helpers that
// ask it for a repaint or a beep when it exists. Holds no OS code.
#include "runtime/io/window_system.h"

#include "runtime/io/console_screen.h"

namespace tolvex::io {
namespace {
WindowSystem* g_window = nullptr;
}  // namespace

void AttachWindow(WindowSystem* window) { g_window = window; }
WindowSystem* MainWindow() { return g_window; }
bool ConsoleUsable() { return g_window != nullptr && g_window->Exists(); }

void RepaintConsole() {
  if (ConsoleUsable()) g_window->Repaint();
  Screen().repaint_pending = false;
}

void BeepConsole() {
  if (ConsoleUsable()) g_window->Beep();
}

}  // namespace tolvex::io
