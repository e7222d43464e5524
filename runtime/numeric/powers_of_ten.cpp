// The power-of-ten tables (see powers_of_ten.h), built from their bit patterns.
#include "runtime/numeric/powers_of_ten.h"

namespace tolvex::numeric {
namespace {

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
