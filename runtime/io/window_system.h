// The seam that stands in for the window system: the main window as seen by
// the console, the keyboard and the frame. Three implementations: the
// terminal, the standard streams, and the headless window of the tests.
#pragma once
#include <cstdint>
#include <string_view>

namespace tolvex::io {

// One main window. Messages (key presses, paint and close requests) wait in
// the implementation until they are dispatched; dispatching a key press puts
// its key into the key queue (DeliverKey in key_queue.h). Nothing is handled
// in the background: only PumpMessages and WaitMessage dispatch.
//
// Usage (the key wait after an error):
//   if (!io::ConsoleUsable()) { ...message box... }
//   io::WriteConsoleBytes(text, n);  io::ClearKeyQueue();  io::RepaintConsole();
//   bool was = io::SetCaretVisible(true);
//   uint8_t key;  bool got = io::WaitForKey(&key);   // false: window gone / input ended
//   io::SetCaretVisible(was);  io::WriteConsoleBytes("\r\n", 2);
//   if (!got) core::Terminate();
class WindowSystem {
 public:
  virtual ~WindowSystem() = default;

  // Creates the window with its title; false when it cannot be opened.
  virtual bool Open(std::string_view title) = 0;
  // Dispatches every message already waiting and returns at once; never
  // blocks. False once the window has been closed (the quit message).
  virtual bool PumpMessages() = 0;
  // Blocks until one message has been dispatched. False when the window has
  // been closed or its input has ended; nothing is dispatched then.
  virtual bool WaitMessage() = 0;
  // The window still exists (not closed by the user, a signal or the end).
  virtual bool Exists() const = 0;
  // Draws the screen from its cells now, and clears the repaint flag.
  virtual void Repaint() = 0;
  virtual void Beep() = 0;
  // Forced close at the end of the program: restores whatever Open changed.
  virtual void Close() = 0;
  // The number of the signal that closed the window (SIGTERM, SIGHUP, ...),
  // 0 when none did.
  virtual int ClosingSignal() const { return 0; }
  // The bytes the console shows, in the order they are written (output,
  // prompts, accepted entries). Only a front end without cells uses them.
  virtual void ShowText(const uint8_t* bytes, uint32_t length) {
    (void)bytes;
    (void)length;
  }
  // The report of an unhandled runtime error (code page 932, each line begun
  // with CR LF), after the console has shown it. A front end whose console
  // may go where nobody looks (a pipe) says it on stderr too.
  virtual void ShowReport(const uint8_t* bytes, uint32_t length) {
    (void)bytes;
    (void)length;
  }
  // The window closed because it refused its input (a piped answer it cannot
  // take; it said why on stderr). The program then ends as after a runtime
  // error: exit status 1.
  virtual bool InputRefused() const { return false; }
};

// The main window, or null before the frame attached one (and in tests that
// need none). The window is owned by whoever attached it.
void AttachWindow(WindowSystem* window);
// Inline: the statement hook asks for it at every pump.
inline WindowSystem* MainWindow();
// There is a main window and it shows its text console.
bool ConsoleUsable();
// Repaints the window now if it exists.
void RepaintConsole();
// Beeps if the window exists.
void BeepConsole();

// ------------------------------------------------------------ inline steps

namespace window_system_detail {
extern WindowSystem* main_window;
}  // namespace window_system_detail

inline WindowSystem* MainWindow() { return window_system_detail::main_window; }

}  // namespace tolvex::io
