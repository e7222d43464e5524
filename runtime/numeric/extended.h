// The extended value: the 80-bit floating format (sign, 15-bit exponent with
// bias 16383, 64-bit significand with an explicit leading bit) in which all
// arithmetic, number scanning and picture formatting run.
#pragma once
#include <cstdint>
#include <limits>

// The x87 long double is this format. A processor without it needs a software
// Extended with the same interface before tolvex can be built there.
static_assert(std::numeric_limits<long double>::digits == 64 &&
                  std::numeric_limits<long double>::max_exponent == 16384,
              "tolvex needs long double to be the 80-bit extended format "
              "(64-bit significand, 15-bit exponent, as on x86 and x86-64); "
              "provide a software Extended for this platform");

namespace tolvex::numeric {

class Extended {
 public:
  static constexpr int kSignificandBits = 64;
  static constexpr int kExponentBias = 16383;
  static constexpr uint16_t kMaxBiasedExponent = 0x7FFF;  // infinity and NaN

  constexpr Extended() = default;
  constexpr explicit Extended(long double value) : value_(value) {}
  constexpr long double native() const { return value_; }

  // Exact widenings: every int, single and double is an extended value.
  static Extended FromInt(int64_t value);
  static Extended FromSingle(float value);
  static Extended FromDouble(double value);
  // The value (-1)^negative * significand * 2^(biased_exponent - 16383 - 63).
  // Example: FromParts(false, 16386, 0xA000000000000000) is 10.
  static Extended FromParts(bool negative, uint16_t biased_exponent,
                            uint64_t significand);

  // Bit access to the stored format.
  bool negative() const;
  uint16_t biased_exponent() const;
  // Unbiased binary exponent: 1.5 has 0, 10 has 3.
  int32_t exponent() const { return int32_t{biased_exponent()} - kExponentBias; }
  uint64_t significand() const;
  bool is_zero() const { return biased_exponent() == 0 && significand() == 0; }
  bool is_finite() const { return biased_exponent() != kMaxBiasedExponent; }
  bool is_nan() const;

  // Stores into narrower variables: round to nearest, ties to even. These
  // raise the unit's overflow and underflow flags like any store does.
  float ToSingle() const;
  double ToDouble() const;

 private:
  long double value_ = 0.0L;
};

// Arithmetic: each step computed once, in extended precision with the unit's
// current rounding, and its result rounded to extended. The operands and the
// result pass through volatile storage, so the optimiser can neither fold a
// step at compile time nor move it across a read of the status flags.
Extended operator+(Extended left, Extended right);
Extended operator-(Extended left, Extended right);
Extended operator*(Extended left, Extended right);
Extended operator/(Extended left, Extended right);
Extended operator-(Extended value);
Extended Abs(Extended value);

// Comparisons are made on the extended values, without rounding. Any
// comparison with a NaN is false (except !=).
bool operator==(Extended left, Extended right);
bool operator!=(Extended left, Extended right);
bool operator<(Extended left, Extended right);
bool operator<=(Extended left, Extended right);
bool operator>(Extended left, Extended right);
bool operator>=(Extended left, Extended right);

}  // namespace tolvex::numeric
