// ConsolePrompt (see console_prompt.h). Holds no OS code.
#include "runtime/io/console_prompt.h"

#include <cstring>

#include "runtime/core/error_codes.h"
#include "runtime/core/runtime_error.h"
#include "runtime/io/console_screen.h"
#include "runtime/io/io_context.h"
#include "runtime/io/window_system.h"
#include "runtime/text/string_stack.h"

namespace tolvex::io {

void ConsolePrompt(int32_t window, int32_t mode) {
  if (window != 0) core::RaiseError(core::kErrNoWindow, core::kLocPromptResolve);
  if (!ConsoleUsable()) core::RaiseError(core::kErrNoWindow, core::kLocPromptGone);
  // Output scrolled since the last paint: the entry must start on a
  // screen the user can see.
  if (Screen().repaint_pending) RepaintConsole();
  InputContext& input = CurrentInput();
  input.source = kKeyboardSlot;
  if (mode == 1 || mode == 2) {
    text::StringValue prompt = text::PopText();
    uint32_t length = prompt.length < 255 ? prompt.length : 255;
    if (length > 0) std::memcpy(input.prompt, prompt.bytes, length);
    input.prompt[length] = 0;
    input.prompt_length = length;
    text::ReleaseIfTemporary(prompt);
  }
  input.recorded_depth = text::StackDepth();
  if (mode == 0) input.mode_flags = 2;
  if (mode == 1) input.mode_flags = 1;
  if (mode == 2) input.mode_flags = 3;
}

}  // namespace tolvex::io
