// MapOsError: the operating system's error numbers turned into runtime error
// codes, by meaning, in one table.
#pragma once
#include <cstdint>

namespace tolvex::core {

// Reads the file seam's last error number, hands it to the error record
// ("APIERR") and returns its runtime code; 27 for a number the table lacks.
// Example: after an open of a missing file (ENOENT) it returns 63.
int16_t MapOsError();

// The table lookup alone, without recording anything.
int16_t CodeForOsError(int error_number);

}  // namespace tolvex::core
