// The extended value, its rounding steps and the float unit's flags.
#include <cfenv>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "runtime/core/error_codes.h"
#include "runtime/numeric/extended.h"
#include "runtime/numeric/float_unit.h"
#include "tests/support/runtime_test.h"
#include "tests/support/vectors.h"

namespace tolvex::numeric {
namespace {

using testing::ExtendedBits;
using testing::Raises;
using FloatUnitTest = testing::RuntimeTest;

TEST_F(FloatUnitTest, ExtendedExposesItsBits) {
  struct Case { long double value; bool negative; uint16_t biased; uint64_t significand; };
  const Case cases[] = {
      {10.0L, false, 16386, 0xA000000000000000ull}, {-1.5L, true, 16383, 0xC000000000000000ull},
      {0.0L, false, 0, 0}, {-0.0L, true, 0, 0}, {LDBL_MAX, false, 0x7FFE, ~0ull},
      {LDBL_TRUE_MIN, false, 0, 1}, {INFINITY, false, 0x7FFF, 0x8000000000000000ull},
  };
  for (const Case& c : cases) {
    const Extended x(c.value);
    EXPECT_EQ(x.negative(), c.negative) << ExtendedBits(c.value);
    EXPECT_EQ(x.biased_exponent(), c.biased) << ExtendedBits(c.value);
    EXPECT_EQ(x.significand(), c.significand) << ExtendedBits(c.value);
    const Extended rebuilt = Extended::FromParts(c.negative, c.biased, c.significand);
    EXPECT_EQ(ExtendedBits(rebuilt.native()), ExtendedBits(c.value));
  }
  EXPECT_EQ(Extended(10.0L).exponent(), 3);
  EXPECT_TRUE(Extended(std::nanl("")).is_nan());
  EXPECT_FALSE(Extended(INFINITY).is_nan());
  EXPECT_FALSE(Extended(INFINITY).is_finite());
}

TEST_F(FloatUnitTest, ArithmeticRoundsEachStepToExtended) {
  // 1 + 2^-64 is a tie between 1 and 1 + 2^-63: ties go to even (1).
  const Extended one(1.0L);
  const Extended tiny = Extended::FromParts(false, 16383 - 64, 0x8000000000000000ull);
  EXPECT_EQ(ExtendedBits((one + tiny).native()), ExtendedBits(1.0L));
  // 0.1 (single) times 10 is exact in extended, not rounded to single.
  const Extended single_tenth = Extended::FromSingle(0.1f);
  EXPECT_EQ((single_tenth * Extended(10.0L)).native(), 1.0000000149011611938L);
  EXPECT_TRUE(Extended(std::nanl("")) != Extended(std::nanl("")));
}

TEST_F(FloatUnitTest, CheckFloatRaisesByPriorityAndClears) {
  struct Case { uint16_t status; int16_t code; uint32_t location; };
  const Case cases[] = {
      {kStatusInvalid, 5, 0xDF01}, {kStatusZeroDivide, 11, 0xDF02}, {kStatusOverflow, 6, 0xDF03},
      {kStatusInvalid | kStatusZeroDivide | kStatusOverflow, 5, 0xDF01},
      {kStatusZeroDivide | kStatusOverflow, 11, 0xDF02},
      {kStatusOverflow | kStatusUnderflow | kStatusInexact, 6, 0xDF03},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(Raises([&] { CheckFloatStatus(c.status); }, c.code, c.location));
    EXPECT_EQ(ReadFloatStatus(), 0);
  }
  // Underflow, inexact and denormal are never reported.
  CheckFloatStatus(kStatusUnderflow | kStatusInexact | kStatusDenormal);
  CheckFloat();
}

TEST_F(FloatUnitTest, StepsStayBetweenTheirChecks) {
  // Constant operands: a step folded at compile time, or moved ahead of the
  // first check, would raise nothing at the second.
  const Extended huge(LDBL_MAX);
  CheckFloat();
  const Extended product = huge * huge;
  EXPECT_TRUE(Raises([] { CheckFloat(); }, core::kErrOverflow, core::kLocFloatOverflow));
  EXPECT_FALSE(product.is_finite());

  CheckFloat();
  (void)(Extended(1.0L) / Extended(0.0L));
  EXPECT_TRUE(Raises([] { CheckFloat(); }, core::kErrDivisionByZero, core::kLocFloatZeroDivide));
  (void)(Extended(INFINITY) - Extended(INFINITY));
  EXPECT_TRUE(Raises([] { CheckFloat(); }, core::kErrIllegalArgument, core::kLocFloatInvalid));
  // Stores into single and double variables that leave their range.
  (void)Extended(1e39L).ToSingle();
  EXPECT_TRUE(Raises([] { CheckFloat(); }, core::kErrOverflow, core::kLocFloatOverflow));
  (void)Extended(1e309L).ToDouble();
  EXPECT_TRUE(Raises([] { CheckFloat(); }, core::kErrOverflow, core::kLocFloatOverflow));
  // An underflow returns normally and leaves nothing reported behind.
  (void)(Extended(LDBL_MIN) * Extended(LDBL_MIN));
  CheckFloat();
  // A signaling NaN loaded from a single variable is an invalid operation.
  const float signaling = std::numeric_limits<float>::signaling_NaN();
  (void)Extended::FromSingle(signaling);
  EXPECT_TRUE(Raises([] { CheckFloat(); }, core::kErrIllegalArgument, core::kLocFloatInvalid));
}

TEST_F(FloatUnitTest, ErrorsAndResetRestoreTheControlState) {
  std::fesetround(FE_UPWARD);
  (void)(Extended(1.0L) / Extended(0.0L));
  EXPECT_TRUE(Raises([] { core::RaiseError(core::kErrOverflow, 0x1234); },
                     core::kErrOverflow, 0x1234));
  EXPECT_EQ(std::fegetround(), FE_TONEAREST);
  EXPECT_EQ(ReadFloatStatus(), 0);
  // 1/3 rounded to nearest, not upward.
  EXPECT_EQ((Extended(1.0L) / Extended(3.0L)).native(), 1.0L / 3.0L);
}

TEST_F(FloatUnitTest, StatusKeeperForgetsItsScopesFlags) {
  {
    const StatusKeeper keep;
    (void)Extended(1e39L).ToSingle();
  }
  EXPECT_EQ(ReadFloatStatus() & kStatusReported, 0);
  (void)(Extended(1.0L) / Extended(0.0L));
  {
    const StatusKeeper keep;
    (void)Extended(1e39L).ToSingle();
  }
  EXPECT_EQ(ReadFloatStatus() & kStatusReported, kStatusZeroDivide) << "pending flags survive";
  ClearFloatStatus();
}

TEST_F(FloatUnitTest, DirectedRoundingLastsOneStep) {
  struct Case { long double value, down, toward_zero, nearest; };
  const Case cases[] = {
      {3.7L, 3, 3, 4}, {-3.2L, -4, -3, -3}, {-3.0L, -3, -3, -3},
      {2.5L, 2, 2, 2}, {3.5L, 3, 3, 4},     {-0.5L, -1, -0.0L, -0.0L},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RoundDownward(Extended(c.value)).native(), c.down) << ExtendedBits(c.value);
    EXPECT_EQ(RoundTowardZero(Extended(c.value)).native(), c.toward_zero);
    EXPECT_EQ(RoundToInteger(Extended(c.value)).native(), c.nearest);
    EXPECT_EQ(std::fegetround(), FE_TONEAREST);
  }
}

// RoundDownward leaves the rounding mode alone and corrects frndint's
// result instead; it must agree bit for bit (zero signs included) with an
// integer rounding done in the downward mode, whatever mode the unit is in.
TEST_F(FloatUnitTest, RoundDownwardAgreesWithTheDownwardMode) {
  std::vector<long double> values = {
      0.0L, 0.5L, 1.0L, 1.5L, 2.5L, 3.7L, 0.0001L, 0.9999L, 32767.99L, 0.49999999999999999997L,
      0.50000000000000000003L, LDBL_TRUE_MIN, LDBL_MIN, 1.0L - LDBL_EPSILON / 2,
      4611686018427387904.5L, 9223372036854775807.0L, 9223372036854775808.0L,
      18446744073709551615.0L, 1e30L, LDBL_MAX, INFINITY};
  std::mt19937_64 random(20261206);
  for (int i = 0; i < 500; ++i) {
    // Binary exponents from 2^-8 to 2^70 around the integers that matter.
    const auto biased = static_cast<uint16_t>(16383 - 8 + random() % 79);
    values.push_back(Extended::FromParts(false, biased, random() | (1ull << 63)).native());
  }
  const size_t positives = values.size();
  for (size_t i = 0; i < positives; ++i) values.push_back(-values[i]);

  for (const int mode : {FE_TONEAREST, FE_DOWNWARD, FE_UPWARD, FE_TOWARDZERO}) {
    for (const long double v : values) {
      std::fesetround(FE_DOWNWARD);
      const long double expected = std::nearbyint(v);
      std::fesetround(mode);
      const long double got = RoundDownward(Extended(v)).native();
      std::fesetround(FE_TONEAREST);
      if (std::memcmp(&got, &expected, 10) != 0)  // the 80 bits, no padding
        FAIL() << "mode " << mode << " value " << ExtendedBits(v) << " gave "
               << ExtendedBits(got) << ", expected " << ExtendedBits(expected);
    }
  }
  EXPECT_EQ(ReadFloatStatus() & kStatusReported, 0);
  const Extended nan = RoundDownward(Extended(std::nanl("")));
  EXPECT_TRUE(nan.is_nan());
  EXPECT_EQ(ReadFloatStatus() & kStatusReported, 0) << "a quiet NaN raises nothing";
}

}  // namespace
}  // namespace tolvex::numeric
