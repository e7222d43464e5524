// Conversions between floating values and integers, and the counters.
#include "runtime/numeric/conversions.h"

#include <cfloat>
#include <cmath>
#include <vector>

#include "runtime/core/error_codes.h"
#include "tests/support/runtime_test.h"
#include "tests/support/vectors.h"

namespace tolvex::numeric {
namespace {

using testing::ExtendedBits;
using testing::Raises;
using ConversionsTest = testing::RuntimeTest;

// Stores round to nearest even; arguments round half away from zero. Every
// refusal is error 6, at the conversion's own location.
TEST_F(ConversionsTest, EachConversionRoundsItsWayAndRefusesItsRange) {
  struct Conversion {
    long double (*convert)(Extended);
    uint32_t location;
    std::vector<std::pair<long double, long double>> kept;
    std::vector<long double> refused;
  };
  const long double nan = std::nanl("");
  const Conversion conversions[] = {
      {[](Extended x) -> long double { return ToInt16(x); }, core::kLocToInt16,
       {{2.5L, 2}, {3.5L, 4}, {-2.5L, -2}, {32767.4L, 32767}, {-32768.5L, -32768}, {0.5L, 0},
        {-0.7L, -1}},
       {32767.5L, -32768.6L, 65536.0L, 4294967296.0L, 1e30L, -1e30L, nan, INFINITY}},
      {[](Extended x) -> long double { return ToInt32(x); }, core::kLocToInt32,
       {{2147483647.4L, INT32_MAX}, {-2147483648.5L, INT32_MIN}, {4.5L, 4}},
       {2147483647.5L, -2147483648.6L, 1e19L, 1e30L, nan}},
      {[](Extended x) -> long double { return ArgToInt16(x); }, core::kLocArgToInt16,
       {{2.5L, 3}, {-2.5L, -3}, {2.4999L, 2}, {0.0L, 0}, {-0.0L, 0}, {0.5L, 1}, {-0.49L, 0},
        {32767.4L, 32767}},
       {32767.5L, -32768.5L}},
      {[](Extended x) -> long double { return ArgToInt32(x); }, core::kLocArgToInt32,
       {{2.5L, 3}, {-2.5L, -3}, {2.4999L, 2}, {2147483646.5L, INT32_MAX}},
       {2147483647.5L, nan}},
      {[](Extended x) -> long double { return ArgToByte(x); }, core::kLocArgToByte,
       {{254.5L, 255}, {-0.4L, 0}}, {255.5L, -0.5L}},
      {[](Extended x) -> long double { return ArgToSingle(x); }, core::kLocArgToSingle,
       {{0.1L, 0.1f}, {1e-50L, 0}}, {1e39L, nan}},  // an underflow is no error
      {[](Extended x) -> long double { return ArgToDouble(x); }, core::kLocArgToDouble,
       {{0.1L, 0.1}, {INFINITY, INFINITY}}, {1e309L}},
      {[](Extended x) -> long double { return LongToInt16(static_cast<int32_t>(x.native())); },
       core::kLocLongToInt16, {{32767, 32767}, {-32768, -32768}, {0, 0}},
       {32768, -32769, INT32_MAX, INT32_MIN}},
  };
  for (const Conversion& c : conversions) {
    SCOPED_TRACE(::testing::Message() << "location " << std::hex << c.location);
    for (const auto& [value, expected] : c.kept)
      EXPECT_EQ(ExtendedBits(c.convert(Extended(value))), ExtendedBits(expected))
          << ExtendedBits(value);
    for (const long double value : c.refused)
      EXPECT_TRUE(Raises([&] { c.convert(Extended(value)); }, core::kErrOverflow, c.location))
          << ExtendedBits(value);
  }
  IntDivideCheck(-1);
  EXPECT_TRUE(Raises([] { IntDivideCheck(0); }, core::kErrDivisionByZero, core::kLocIntDivide));
}

TEST_F(ConversionsTest, CountersStepAndCatchTheWrap) {
  int16_t counter = 750;
  NextCounter(&counter, 1);
  NextCounter(&counter, 0);
  EXPECT_EQ(counter, 751);
  counter = -32767;
  NextCounter(&counter, -1);
  EXPECT_EQ(counter, -32768);
  EXPECT_TRUE(Raises([&] { NextCounter(&counter, -1); }, core::kErrOverflow, core::kLocNextCounter));
  counter = 32767;
  EXPECT_TRUE(Raises([&] { NextCounter(&counter, 1); }, core::kErrOverflow, core::kLocNextCounter));
  EXPECT_EQ(counter, 32767);

  int32_t wide = INT32_MAX - 2;
  NextCounter32(&wide, 2);
  EXPECT_EQ(wide, INT32_MAX);
  EXPECT_TRUE(Raises([&] { NextCounter32(&wide, 1); }, core::kErrOverflow, core::kLocNextCounter32));
  wide = INT32_MIN;
  EXPECT_TRUE(Raises([&] { NextCounter32(&wide, -5); }, core::kErrOverflow, core::kLocNextCounter32));

  uint8_t byte = 250;
  NextCounter8(&byte, 5);
  EXPECT_EQ(byte, 255);
  EXPECT_TRUE(Raises([&] { NextCounter8(&byte, 1); }, core::kErrOverflow, core::kLocNextCounter8));
}

}  // namespace
}  // namespace tolvex::numeric
