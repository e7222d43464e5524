// Placeholder until the console lands.
#include "runtime/io/console_output.h"

namespace tolvex::io {

void WriteTextToConsole(uint8_t*, uint32_t, uint32_t, int32_t) {}

}  // namespace tolvex::io
