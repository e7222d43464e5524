// Conversions between floating values and integers, counters, and the
// elevation paths of the conversion routine built from them.
#include "runtime/numeric/conversions.h"

#include <cfloat>
#include <cmath>

#include "runtime/core/error_codes.h"
#include "runtime/numeric/convert_kind.h"
#include "tests/support/runtime_test.h"
#include "tests/support/vectors.h"

namespace tolvex::numeric {
namespace {

using testing::ExtendedBits;
using testing::Raises;
using ConversionsTest = testing::RuntimeTest;

TEST_F(ConversionsTest, StoresRoundToNearestEven) {
  const long double fits16[][2] = {{2.5L, 2}, {3.5L, 4}, {-2.5L, -2}, {32767.4L, 32767},
                                   {-32768.5L, -32768}, {0.5L, 0}, {-0.7L, -1}};
  for (const auto& c : fits16)
    EXPECT_EQ(ToInt16(Extended(c[0])), c[1]) << ExtendedBits(c[0]);
  const long double outside16[] = {32767.5L, -32768.6L, 65536.0L, 4294967296.0L, 1e30L,
                                   -1e30L, std::nanl(""), INFINITY};
  for (const long double v : outside16)
    EXPECT_TRUE(Raises([&] { ToInt16(Extended(v)); }, core::kErrOverflow, core::kLocToInt16))
        << ExtendedBits(v);

  EXPECT_EQ(ToInt32(Extended(2147483647.4L)), 2147483647);
  EXPECT_EQ(ToInt32(Extended(-2147483648.5L)), INT32_MIN);
  EXPECT_EQ(ToInt32(Extended(4.5L)), 4);
  const long double outside32[] = {2147483647.5L, -2147483648.6L, 1e19L, 1e30L, std::nanl("")};
  for (const long double v : outside32)
    EXPECT_TRUE(Raises([&] { ToInt32(Extended(v)); }, core::kErrOverflow, core::kLocToInt32))
        << ExtendedBits(v);
}

TEST_F(ConversionsTest, ArgumentsRoundHalfAwayFromZero) {
  const long double cases[][2] = {{2.5L, 3},  {-2.5L, -3}, {2.4999L, 2}, {0.0L, 0},
                                  {-0.0L, 0}, {0.5L, 1},   {-0.49L, 0},  {32767.4L, 32767}};
  for (const auto& c : cases) {
    EXPECT_EQ(ArgToInt16(Extended(c[0])), c[1]) << ExtendedBits(c[0]);
    EXPECT_EQ(ArgToInt32(Extended(c[0])), c[1]) << ExtendedBits(c[0]);
  }
  EXPECT_EQ(ArgToInt32(Extended(2147483646.5L)), 2147483647);
  EXPECT_EQ(ArgToByte(Extended(254.5L)), 255);
  EXPECT_EQ(ArgToByte(Extended(-0.4L)), 0);

  EXPECT_TRUE(Raises([] { ArgToInt16(Extended(32767.5L)); }, core::kErrOverflow,
                     core::kLocArgToInt16));
  EXPECT_TRUE(Raises([] { ArgToInt16(Extended(-32768.5L)); }, core::kErrOverflow,
                     core::kLocArgToInt16));
  EXPECT_TRUE(Raises([] { ArgToInt32(Extended(2147483647.5L)); }, core::kErrOverflow,
                     core::kLocArgToInt32));
  EXPECT_TRUE(Raises([] { ArgToInt32(Extended(std::nanl(""))); }, core::kErrOverflow,
                     core::kLocArgToInt32));
  EXPECT_TRUE(Raises([] { ArgToByte(Extended(255.5L)); }, core::kErrOverflow,
                     core::kLocArgToByte));
  EXPECT_TRUE(Raises([] { ArgToByte(Extended(-0.5L)); }, core::kErrOverflow,
                     core::kLocArgToByte));
}

TEST_F(ConversionsTest, FloatArgumentsRoundToTheirPrecision) {
  EXPECT_EQ(ArgToSingle(Extended(0.1L)), 0.1f);
  EXPECT_EQ(ArgToDouble(Extended(0.1L)), 0.1);
  EXPECT_EQ(ArgToSingle(Extended(1e-50L)), 0.0f);  // underflow is no error
  EXPECT_TRUE(std::isinf(ArgToDouble(Extended(INFINITY))));
  EXPECT_TRUE(Raises([] { ArgToSingle(Extended(1e39L)); }, core::kErrOverflow,
                     core::kLocArgToSingle));
  EXPECT_TRUE(Raises([] { ArgToSingle(Extended(std::nanl(""))); }, core::kErrOverflow,
                     core::kLocArgToSingle));
  EXPECT_TRUE(Raises([] { ArgToDouble(Extended(1e309L)); }, core::kErrOverflow,
                     core::kLocArgToDouble));
}

TEST_F(ConversionsTest, LongToInt16AndIntDivide) {
  EXPECT_EQ(LongToInt16(32767), 32767);
  EXPECT_EQ(LongToInt16(-32768), -32768);
  EXPECT_EQ(LongToInt16(0), 0);
  for (const int32_t v : {32768, -32769, INT32_MAX, INT32_MIN})
    EXPECT_TRUE(Raises([&] { LongToInt16(v); }, core::kErrOverflow, core::kLocLongToInt16)) << v;
  IntDivideCheck(-1);
  EXPECT_TRUE(Raises([] { IntDivideCheck(0); }, core::kErrDivisionByZero, core::kLocIntDivide));
}

TEST_F(ConversionsTest, CountersStepAndCatchTheWrap) {
  int16_t counter = 750;
  NextCounter(&counter, 1);
  EXPECT_EQ(counter, 751);
  NextCounter(&counter, 0);
  EXPECT_EQ(counter, 751);
  counter = -32767;
  NextCounter(&counter, -1);
  EXPECT_EQ(counter, -32768);
  counter = 32767;
  EXPECT_TRUE(Raises([&] { NextCounter(&counter, 1); }, core::kErrOverflow, core::kLocNextCounter));
  EXPECT_EQ(counter, 32767);
  counter = -32768;
  EXPECT_TRUE(Raises([&] { NextCounter(&counter, -1); }, core::kErrOverflow, core::kLocNextCounter));

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

// The routine's elevation step: the field read into a single variable, in
// metres z + 0.5 stored back into the single, then IntegerPart(z * factor)
// with the product left in extended precision, then ToInt16.
int16_t Elevation(const char* field, int16_t factor) {
  Extended z;
  EXPECT_TRUE(ConvertField(field, 2, &z)) << field;
  if (factor == 1) {
    z = Extended::FromSingle((z + Extended(0.5L)).ToSingle());
    CheckFloat();
  }
  const Extended product = z * Extended::FromInt(factor);
  CheckFloat();
  return ToInt16(IntegerPart(product));
}

TEST_F(ConversionsTest, ElevationPathsOfTheRoutine) {
  struct Case {
    const char* field;
    int16_t metres;
    int16_t tenths;
  };
  const Case cases[] = {
      {"123.45", 123, 1234}, {"0.7", 1, 6},    {"2.5", 3, 25},     {"-3.5", -3, -35},
      {"-3.7", -4, -38},     {"-0.4", 0, -5},  {"99.95", 100, 999}, {"2.1", 2, 20},
      {"12.3", 12, 123},     {"-1.25", -1, -13}, {"-3.2", -3, -33}, {"12.7", 13, 126},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Elevation(c.field, 1), c.metres) << c.field;
    EXPECT_EQ(Elevation(c.field, 10), c.tenths) << c.field;
  }
  EXPECT_EQ(Elevation("-9999.", 1), -9999);
  EXPECT_EQ(Elevation("3276.7", 10), 32766);  // 3276.699951171875 as a single
  EXPECT_TRUE(Raises([] { Elevation("3276.8", 10); }, core::kErrOverflow, core::kLocToInt16));
  EXPECT_EQ(Elevation("32766.5", 1), 32767);
  EXPECT_TRUE(Raises([] { Elevation("32767.5", 1); }, core::kErrOverflow, core::kLocToInt16));
}

}  // namespace
}  // namespace tolvex::numeric
