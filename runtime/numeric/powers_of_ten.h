// The power-of-ten tables shared by number scanning and picture formatting:
// 10^256, 10^128, ..., 10^1 and their reciprocals as fixed extended values.
#pragma once
#include <cstdint>

#include "runtime/numeric/extended.h"

namespace tolvex::numeric {

constexpr int kPowerCount = 9;
// The power each entry stands for, largest first: 256, 128, ..., 2, 1.
constexpr int32_t kPowerExponents[kPowerCount] = {256, 128, 64, 32, 16, 8, 4, 2, 1};

// An entry as unbiased binary exponent p and 64-bit significand m: the value
// is m * 2^(p - 63). These are the patterns the tables have always had; do
// not replace them with correctly rounded values.
struct PowerBits {
  int16_t exponent;
  uint64_t significand;
};

inline constexpr PowerBits kUpBits[kPowerCount] = {
    {850, 12285516299433008780ull},  // 10^256
    {425, 10644899600020376799ull},  // 10^128
    {212, 14012984643248170709ull},  // 10^64
    {106, 11368683772161602974ull},  // 10^32
    {53, 10240000000000000000ull},   // 10^16, exact
    {26, 13743895347200000000ull},   // 10^8, exact
    {13, 11258999068426240000ull},   // 10^4, exact
    {6, 14411518807585587200ull},    // 10^2, exact
    {3, 11529215046068469760ull},    // 10^1, exact
};

inline constexpr PowerBits kDownBits[kPowerCount] = {
    {-851, 13848924157002783178ull},  // 10^-256
    {-426, 15983352577617880308ull},  // 10^-128
    {-213, 12141680576410806725ull},  // 10^-64
    {-107, 14965776766268445902ull},  // 10^-32
    {-54, 16615349947311448422ull},   // 10^-16
    {-27, 12379400392853802753ull},   // 10^-8
    {-14, 15111572745182864686ull},   // 10^-4
    {-7, 11805916207174113035ull},    // 10^-2
    {-4, 14757395258967641293ull},    // 10^-1
};

// Entry i is 10^kPowerExponents[i] (Up) or an approximation of its
// reciprocal (Down). The entries are fixed bit patterns, not computed: several
// Down entries are not the extended value nearest to the power, and scanning
// and formatting results depend on exactly these values.
extern const Extended PowersOfTenUp[kPowerCount];
extern const Extended PowersOfTenDown[kPowerCount];

// The constant ten, used once more by the decimal decomposition.
Extended Ten();

}  // namespace tolvex::numeric
