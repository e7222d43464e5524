// SelectConsole and WriteText's console path (see console_output.h): tab
// expansion, the line-break rule and the terminator. Holds no OS code.
#include "runtime/io/console_output.h"

#include <cstring>

#include "runtime/core/error_codes.h"
#include "runtime/core/runtime_error.h"
#include "runtime/io/console_screen.h"
#include "runtime/io/io_context.h"
#include "runtime/io/steering_bytes.h"
#include "runtime/io/window_system.h"

namespace tolvex::io {
namespace {

constexpr uint32_t kPrintZone = 14;
constexpr uint32_t kTabStop = 8;
constexpr uint32_t kExpansionFloor = 512;

// Expands tabs in place, counting columns from `column`. Stops at the first
// tab that would make the text longer than both 512 bytes and twice its
// original length; that tab and the rest stay as they are.
uint32_t ExpandTabs(uint8_t* work, uint32_t length, uint32_t capacity, uint32_t column) {
  const uint32_t original = length;
  for (uint32_t i = 0; i < length; ++i) {
    if (work[i] != '\t') {
      ++column;
      continue;
    }
    uint32_t spaces = kTabStop - column % kTabStop;
    uint32_t grown = length + spaces - 1;
    // The terminator needs room too: at most 14 blanks or CR LF.
    if ((grown > kExpansionFloor && grown > 2 * original) || grown + kPrintZone > capacity)
      break;
    std::memmove(work + i + spaces, work + i + 1, length - i - 1);
    std::memset(work + i, ' ', spaces);
    length = grown;
    column += spaces;
    i += spaces - 1;
  }
  return length;
}

}  // namespace

void SelectConsole(int32_t window) {
  if (window != 0) core::RaiseError(core::kErrNoWindow, core::kLocSelectConsoleResolve);
  if (!ConsoleUsable()) core::RaiseError(core::kErrNoWindow, core::kLocSelectConsoleGone);
  CurrentOutput().slot = kScreenSlot;
}

void WriteTextToConsole(uint8_t* work, uint32_t length, uint32_t capacity,
                        int32_t terminator) {
  // The window went away after the console was selected: its screen state
  // cannot be reached.
  if (!ConsoleUsable()) core::RaiseError(core::kErrSystemUnknown, core::kLocWriteTextWrite);
  ConsoleScreen& screen = Screen();
  const uint32_t width = static_cast<uint32_t>(screen.print_width);
  uint32_t column = static_cast<uint32_t>(screen.cursor_column);
  // Tabs count from where the text will really start.
  bool breaks = column != 0 && column + length > width;
  length = ExpandTabs(work, length, capacity, breaks ? 0 : column);
  breaks = column != 0 && column + length > width;
  if (breaks) {
    WriteConsoleBytes(kLineEnd, 2);
    column = 0;
  }
  uint32_t end_column = column + length;
  if (terminator == 0) {
    work[length++] = '\r';
    work[length++] = '\n';
  } else if (terminator == 1) {
    uint32_t pad = kPrintZone - end_column % kPrintZone;
    if (end_column + pad + kPrintZone <= width) {
      std::memset(work + length, ' ', pad);
      length += pad;
    } else {
      work[length++] = '\r';
      work[length++] = '\n';
    }
  }
  WriteConsoleBytes(work, length);
}

}  // namespace tolvex::io
