// What the string tests share: byte strings pushed, assigned and popped.
#pragma once
#include <string>

#include "runtime/text/string_stack.h"
#include "tests/support/runtime_test.h"

namespace tolvex::text {

inline void PushBytes(const std::string& bytes) {
  NewTempText(static_cast<uint32_t>(bytes.size()), reinterpret_cast<const uint8_t*>(bytes.data()));
}
inline void Assign(StringValue* variable, const std::string& bytes) {
  PushBytes(bytes);
  AssignText(variable);
}
// The top value's bytes; its block is released.
inline std::string PopBytes() {
  StringValue value = PopText();
  std::string bytes = Bytes(value);
  ReleaseText(value);
  return bytes;
}

}  // namespace tolvex::text
