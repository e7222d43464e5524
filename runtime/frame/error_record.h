// The error record in the user's registry hive (placeholder until error
// reporting lands).
#pragma once
#include <cstdint>

namespace tolvex::frame {

// Writes "APIERR" (the operating system's error number) into the error
// record's key; every failure is ignored.
void RecordApiError(uint32_t os_error_number);

}  // namespace tolvex::frame
