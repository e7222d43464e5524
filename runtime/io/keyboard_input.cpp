// Placeholder until the console lands.
#include "runtime/io/keyboard_input.h"

namespace tolvex::io {

void ReadKeyboardItems(const ItemList&) {}

}  // namespace tolvex::io
