// The plain entry's switch (see plain_entry.h); the path itself is inline.
#include "runtime/io/plain_entry.h"

namespace tolvex::io {

namespace plain_entry_detail {
bool enabled = true;
}  // namespace plain_entry_detail

void EnablePlainEntries(bool enabled) { plain_entry_detail::enabled = enabled; }

}  // namespace tolvex::io
