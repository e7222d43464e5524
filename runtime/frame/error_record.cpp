// Placeholder until error reporting lands.
#include "runtime/frame/error_record.h"

namespace tolvex::frame {

void RecordApiError(uint32_t) {}

}  // namespace tolvex::frame
