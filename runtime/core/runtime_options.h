// The runtime options compiled into the program: read by the layers that
// act on them (the line editor, the statement hook), never changed at run time.
#pragma once
#include <cstdint>

namespace tolvex::core {

struct RuntimeOptions {
  int32_t hook_interval = 10;    // pump at every 11th statement hook
  bool entry_erase = true;       // Clear / Shift+Home / Ctrl+L erase an entry
  bool start_hidden = false;
  int32_t default_record_length = 256;
};

inline const RuntimeOptions& Options() {
  static constexpr RuntimeOptions kCompiledIn{};
  return kCompiledIn;
}

}  // namespace tolvex::core
