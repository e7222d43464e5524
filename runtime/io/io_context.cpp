// The input context and the output target (see io_context.h).
#include "runtime/io/io_context.h"

namespace tolvex::io {
namespace io_context_detail {
InputContext input;
OutputTarget output;
}  // namespace io_context_detail

void ResetIoContext() {
  io_context_detail::input = InputContext{};
  io_context_detail::output = OutputTarget{};
}

}  // namespace tolvex::io
