// The runtime-wide input context and output target: where the next read comes
// from and where the next write goes. Holds no OS code.
#pragma once
#include <cstdint>

namespace tolvex::io {

constexpr int32_t kKeyboardSlot = 0;  // "KYBD:"
constexpr int32_t kScreenSlot = 1;    // "SCRN:"
constexpr int32_t kFirstFileSlot = 15;
constexpr int32_t kLastFileSlot = 270;

// Item types of an item list (shared with the numeric type codes).
enum ItemType : uint32_t {
  kItemInt16 = 0,
  kItemInt32 = 1,
  kItemSingle = 2,
  kItemDouble = 3,
  kItemByte = 4,
  kItemAutomatic = 64,
  kItemString = 0x10,
  kItemString11 = 0x11,
  kItemString21 = 0x21,
  kItemString12 = 0x12,
  kItemString13 = 0x13,
};

struct InputContext {
  int32_t source = kKeyboardSlot;  // slot index: 0 keyboard, 15..270 file
  uint32_t mode_flags = 0;         // files: 0 line, 2 items; keyboard: prompt flags
  uint16_t recorded_depth = 0;     // StringStack depth at the select
  char prompt[256] = {};           // keyboard prompt text, NUL-terminated
  uint32_t prompt_length = 0;
};

struct OutputTarget {
  int32_t slot = kScreenSlot;  // the screen, or the slot of a channel
};

inline InputContext& CurrentInput();
inline OutputTarget& CurrentOutput();
void ResetIoContext();

// One entry of an item list: the variable's address and its item type.
struct InputItem {
  void* address;
  uint32_t type;
};
// Entries stand in reverse order: items[count - 1] is the first item to read.
struct ItemList {
  uint32_t count;
  const InputItem* items;
};

// ------------------------------------------------------------ inline steps
// Every read and write asks for them.

namespace io_context_detail {
extern InputContext input;
extern OutputTarget output;
}  // namespace io_context_detail

inline InputContext& CurrentInput() { return io_context_detail::input; }
inline OutputTarget& CurrentOutput() { return io_context_detail::output; }

}  // namespace tolvex::io
