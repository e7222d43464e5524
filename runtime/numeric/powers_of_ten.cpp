// The power-of-ten tables (see powers_of_ten.h), built from their bit patterns.
#include "runtime/numeric/powers_of_ten.h"

namespace tolvex::numeric {
namespace {

// An entry as unbiased binary exponent p and 64-bit significand m: the value
// is m * 2^(p - 63). These are the patterns the tables have always had; do
// not replace them with correctly rounded values.
struct PowerBits {
  int16_t exponent;
  uint64_t significand;
};

constexpr PowerBits kUpBits[kPowerCount] = {
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

constexpr PowerBits kDownBits[kPowerCount] = {
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

Extended FromBits(const PowerBits& bits) {
  return Extended::FromParts(
      false, static_cast<uint16_t>(bits.exponent + Extended::kExponentBias),
      bits.significand);
}

}  // namespace

const Extended PowersOfTenUp[kPowerCount] = {
    FromBits(kUpBits[0]), FromBits(kUpBits[1]), FromBits(kUpBits[2]),
    FromBits(kUpBits[3]), FromBits(kUpBits[4]), FromBits(kUpBits[5]),
    FromBits(kUpBits[6]), FromBits(kUpBits[7]), FromBits(kUpBits[8]),
};

const Extended PowersOfTenDown[kPowerCount] = {
    FromBits(kDownBits[0]), FromBits(kDownBits[1]), FromBits(kDownBits[2]),
    FromBits(kDownBits[3]), FromBits(kDownBits[4]), FromBits(kDownBits[5]),
    FromBits(kDownBits[6]), FromBits(kDownBits[7]), FromBits(kDownBits[8]),
};

Extended Ten() { return FromBits(kUpBits[8]); }

}  // namespace tolvex::numeric
