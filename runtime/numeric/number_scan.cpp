// Placeholder until the numeric model lands.
#include "runtime/numeric/number_scan.h"

#include <cstdlib>

#include "runtime/text/string_stack.h"

namespace tolvex::numeric {

bool ConvertField(const char* field, uint32_t, Extended* value) {
  char* end = nullptr;
  long double v = std::strtold(field, &end);
  if (end == field) return false;
  *value = Extended(v);
  return true;
}

Extended ScanRadixNumber(const char*, uint32_t) { return Extended(0.0L); }

Extended ValueOfText() {
  text::StringValue s = text::PopText();
  text::ReleaseText(s);
  return Extended(0.0L);
}

}  // namespace tolvex::numeric
