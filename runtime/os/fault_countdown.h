// FaultCountdown: the "fail the Nth call" switch behind the OS seam's test
// hooks (allocations, file calls, hive steps). Holds no OS code, and is
// safe in a signal handler (a plain integer, no allocation).
#pragma once

namespace tolvex::os {

struct FaultCountdown {
  int successes_left = -1;  // negative: never refuse

  // Counts one call: true once the successes are used up, for this call and
  // every later one. Example: {1} lets one call through, then refuses.
  bool Refuse() {
    if (successes_left < 0) return false;
    if (successes_left == 0) return true;
    --successes_left;
    return false;
  }
};

}  // namespace tolvex::os
