// ReadItems (see read_items.h).
#include "runtime/io/read_items.h"

#include "runtime/core/error_codes.h"
#include "runtime/core/runtime_error.h"
#include "runtime/io/field_reader.h"
#include "runtime/io/input_source.h"
#include "runtime/io/item_scanner.h"
#include "runtime/io/keyboard_input.h"
#include "runtime/text/string_stack.h"

namespace tolvex::io {

namespace {

// The general path: field by field through ReadField, ScanItem, StoreItem.
void ReadFileItems(const InputContext& input, const ItemList& list) {
  uint8_t* field = KeptInputBuffer(kFieldBufferBytes, core::kLocReadItemsBuffer);
  if (field == nullptr) return;
  for (uint32_t i = list.count; i-- > 0;) {
    const InputItem& item = list.items[i];
    field[0] = 0;  // an ignored raise below leaves an empty field
    ReadField(input.source, field, item.type, core::kLocReadItemsField);
    numeric::Extended number;
    if (!ScanItem(field, item.type, &number))
      return core::RaiseError(core::kErrBadInputItem, core::kLocReadItemsScan);
    StoreItem(item, number);
  }
  text::SetStackDepth(input.recorded_depth);
}

}  // namespace

namespace read_items_detail {

void ReadOtherItems(const ItemList& list) {
  const InputContext& input = CurrentInput();
  if (input.source == kKeyboardSlot) return ReadKeyboardItems(list);
  ReadFileItems(input, list);
}

}  // namespace read_items_detail

}  // namespace tolvex::io
