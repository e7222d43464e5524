// The input context and the output target (see io_context.h).
#include "runtime/io/io_context.h"

namespace tolvex::io {
namespace {
InputContext g_input;
OutputTarget g_output;
}  // namespace

InputContext& CurrentInput() { return g_input; }
OutputTarget& CurrentOutput() { return g_output; }
void ResetIoContext() {
  g_input = InputContext{};
  g_output = OutputTarget{};
}

}  // namespace tolvex::io
