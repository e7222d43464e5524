// ScaledSingle against the float unit: the integer path must store the same
// single as ScaledValue followed by the unit's store, for every value a tile
// writes and for digits and exponents of every size.
#include "runtime/numeric/scaled_single.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <random>

#include "runtime/numeric/float_unit.h"
#include "tests/support/runtime_test.h"

namespace tolvex::numeric {
namespace {

using ScaledSingleTest = testing::RuntimeTest;

uint32_t Bits(float value) { return std::bit_cast<uint32_t>(value); }

ScannedDigits Digits(bool negative, uint64_t low, int32_t exponent) {
  return ScannedDigits{kScanOk, negative, kClassSingleSized, 0, low, exponent, nullptr};
}

// The integer path against the unit's: the same single, or declined where
// the unit's is no normal single (nor the zero of zero digits).
::testing::AssertionResult Same(const ScannedDigits& digits) {
  float expected = 0, got = 0;
  {
    const StatusKeeper keep_status;
    expected = ScaledValue(digits).ToSingle();
  }
  const bool normal = std::isnormal(expected) || digits.low == 0;
  const bool taken = ScaledSingle(digits, &got);
  if (taken ? Bits(got) == Bits(expected) : !normal) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << (digits.negative ? "-" : "") << digits.low << " e" << digits.exponent << ": unit "
         << std::hex << Bits(expected) << ", integers " << (taken ? "taken " : "declined ")
         << Bits(got);
}

// Every text of the forms tiles write: [-]I, [-]I.F, [-]I.FF up to 9999.99.
TEST_F(ScaledSingleTest, EqualsTheUnitForEveryTileValue) {
  for (int32_t exponent : {0, -1, -2})
    for (uint64_t n = 0; n <= 999999; ++n)
      for (bool negative : {false, true}) ASSERT_TRUE(Same(Digits(negative, n, exponent)));
}

TEST_F(ScaledSingleTest, EqualsTheUnitForDigitsAndExponentsOfEverySize) {
  std::mt19937_64 random(20261207);
  for (int i = 0; i < 400000; ++i) {
    const int digit_count = 1 + static_cast<int>(random() % 19);
    uint64_t low = random() % 10;
    for (int d = 1; d < digit_count; ++d) low = low * 10 + random() % 10;
    const auto exponent = static_cast<int32_t>(random() % 1023) - 511;
    ASSERT_TRUE(Same(Digits(random() & 1, low, exponent)));
  }
  // Halfway cases of the store to single and the largest accumulators.
  for (uint64_t low : {16777217ull, 16777219ull, 33554435ull, 18446744073709551615ull,
                       9223372036854775808ull, 9999999999999999999ull})
    for (int32_t exponent : {-45, -38, -1, 0, 1, 19, 20})
      EXPECT_TRUE(Same(Digits(false, low, exponent)));
  // SmallSingle's range and just past it: accumulators up to 2^24 + 1 with
  // up to 8 digits after the point.
  for (int32_t exponent = -8; exponent <= 0; ++exponent) {
    for (int i = 0; i < 20000; ++i)
      ASSERT_TRUE(Same(Digits(random() & 1, 1 + random() % ((1u << 24) + 1), exponent)));
    for (uint64_t low : {1ull, 9999999ull, 16777215ull, 16777216ull, 16777217ull})
      EXPECT_TRUE(Same(Digits(false, low, exponent)));
  }
}

// ScanPlainSingle's examples, on both of its paths (8 readable bytes after
// the sign, or fewer), and what it declines.
TEST(ScaledSingle, ScanPlainSingleExamples) {
  struct Case { const char* text; uint32_t bits; int stop; };  // stop -1: declined
  const Case cases[] = {
      {"342.04\r\n..", 0x43AB051Fu, 6}, {"342.04", 0x43AB051Fu, 6},
      {"-0\r\n......", 0u, 2},          {"-0", 0u, 2},
      {"-9999.\r\n.", 0xC61C3C00u, 6},  {"12345678.25\r\n", 0x4B3C614Eu, 11},
      {"12E3\r\n....", 0x41400000u, 2}, {".\r\n.......", 0u, 1},
      {"-\r\n.......", 0, -1},          {"", 0, -1},
      {"12345678901234567890", 0, -1},
  };
  for (const Case& c : cases) {
    float single = 1.0f;
    const char* end = c.text + std::strlen(c.text);
    const char* stop = ScanPlainSingle(c.text, end, &single);
    EXPECT_EQ(stop == nullptr ? -1 : static_cast<int>(stop - c.text), c.stop) << c.text;
    if (stop != nullptr) {
      EXPECT_EQ(Bits(single), c.bits) << c.text;
    }
  }
}

// The overflow, subnormal and zero cases are the comparisons' above.
TEST(ScaledSingle, WorkedExampleAndWideDigits) {
  float single = 0;
  ASSERT_TRUE(ScaledSingle(Digits(false, 1397125, -4), &single));
  EXPECT_EQ(Bits(single), 0x430BB666u);  // 139.71249389648438
  ScannedDigits wide = Digits(false, 1, 0);
  wide.high = 1;  // more than 19 digits
  EXPECT_FALSE(ScaledSingle(wide, &single));
}

}  // namespace
}  // namespace tolvex::numeric
