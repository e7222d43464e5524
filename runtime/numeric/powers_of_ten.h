// The power-of-ten tables shared by number scanning and picture formatting:
// 10^256, 10^128, ..., 10^1 and their reciprocals as fixed extended values.
#pragma once
#include <cstdint>

#include "runtime/numeric/extended.h"

namespace tolvex::numeric {

constexpr int kPowerCount = 9;
// The power each entry stands for, largest first: 256, 128, ..., 2, 1.
constexpr int32_t kPowerExponents[kPowerCount] = {256, 128, 64, 32, 16, 8, 4, 2, 1};

// Entry i is 10^kPowerExponents[i] (Up) or an approximation of its
// reciprocal (Down). The entries are fixed bit patterns, not computed: several
// Down entries are not the extended value nearest to the power, and scanning
// and formatting results depend on exactly these values.
extern const Extended PowersOfTenUp[kPowerCount];
extern const Extended PowersOfTenDown[kPowerCount];

// The constant ten, used once more by the decimal decomposition.
Extended Ten();

}  // namespace tolvex::numeric
