// The floating-point unit's state (see float_unit.h).
#include "runtime/numeric/float_unit.h"

#include <cfenv>

namespace tolvex::numeric {

void ResetFloatUnit() {
  std::fesetenv(FE_DFL_ENV);
  std::feclearexcept(FE_ALL_EXCEPT);
}

}  // namespace tolvex::numeric
