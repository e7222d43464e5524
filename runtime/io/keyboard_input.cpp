// The keyboard path of ReadItems (see keyboard_input.h): prompt, entry,
// item scanning with the file reader's ScanItem, and the re-entry rule.
// Holds no OS code.
#include "runtime/io/keyboard_input.h"

#include "runtime/core/error_codes.h"
#include "runtime/core/runtime_error.h"
#include "runtime/core/termination.h"
#include "runtime/io/console_screen.h"
#include "runtime/io/item_scanner.h"
#include "runtime/io/line_editor.h"
#include "runtime/os/memory.h"
#include "runtime/text/string_stack.h"

namespace tolvex::io {
namespace {

constexpr uint32_t kEntryBytes = kEntryMax + 1;  // and the NUL after it

// "もう一度入力してください" CR LF (please enter it again)
constexpr char kAskAgain[] =
    "\x82\xE0\x82\xA4\x88\xEA\x93\x78\x93\xFC\x97\xCD\x82\xB5\x82\xC4\x82\xAD"
    "\x82\xBE\x82\xB3\x82\xA2\r\n";

// The entry buffer, freed on every way out of one entry.
struct EntryBuffer {
  uint8_t* bytes;
  EntryBuffer() : bytes(static_cast<uint8_t*>(os::Allocate(kEntryBytes))) {}
  ~EntryBuffer() { os::Release(bytes); }
  EntryBuffer(const EntryBuffer&) = delete;
  EntryBuffer& operator=(const EntryBuffer&) = delete;
};

void WritePrompt(const InputContext& input) {
  if (input.mode_flags & 1)
    WriteConsoleBytes(reinterpret_cast<const uint8_t*>(input.prompt), input.prompt_length);
  if (input.mode_flags & 2) WriteConsoleBytes(reinterpret_cast<const uint8_t*>("? "), 2);
}

// Scans and stores every item of the entry; false when it does not fit the
// variables (a bad item, too few items, or one left over).
bool StoreEntry(const ItemList& list, const uint8_t* entry) {
  for (uint32_t n = list.count; n > 0; --n) {
    const InputItem& item = list.items[n - 1];
    numeric::Extended number{};
    if (!ScanItem(n == list.count ? entry : nullptr, item.type, &number)) return false;
    StoreItem(item, number);
  }
  return !HasItemContinuation();
}

}  // namespace

void ReadKeyboardItems(const ItemList& list) {
  const InputContext input = CurrentInput();
  for (;;) {
    WritePrompt(input);
    EntryBuffer buffer;
    if (buffer.bytes == nullptr)
      return core::RaiseError(core::kErrOutOfMemory, core::kLocReadItemsBuffer);
    int16_t status = 0;
    if (!EditLine(buffer.bytes, kEntryMax, &status)) {
      if (status == 0) {
        // The window went away while waiting: end quietly.
        text::SetStackDepth(input.recorded_depth);
        core::Terminate();
      }
      return core::RaiseError(status, core::kLocReadItemsEdit);
    }
    if (StoreEntry(list, buffer.bytes)) {
      text::SetStackDepth(input.recorded_depth);
      return;
    }
    ResetItemContinuation();
    WriteConsoleBytes(reinterpret_cast<const uint8_t*>(kAskAgain), sizeof kAskAgain - 1);
  }
}

}  // namespace tolvex::io
