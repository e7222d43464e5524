// The extended value: the 80-bit floating format (sign, 15-bit exponent with
// bias 16383, 64-bit significand with an explicit leading bit) in which all
// arithmetic, number scanning and picture formatting run. Header only.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
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

// Every step below is an instruction of the unit that happens exactly where
// the code writes it: its operands pass through an empty volatile asm first
// and its result after, so the optimiser can neither fold the step at
// compile time nor move it across a read of the status flags (those reads
// are volatile asms too, and volatile asms keep their order). The steps are
// inline: no call and no trip through memory per step.
namespace extended_detail {

// The value as the unit's top register holds it, opaque to the optimiser.
inline long double Settle(long double value) {
  asm volatile("" : "+t"(value));
  return value;
}

// The stored format in memory (little-endian): 8 bytes of significand, then
// 2 bytes of sign and biased exponent; the rest of the long double is padding.
constexpr std::size_t kSignExponentOffset = 8;

// Reads the sign and biased exponent word of the stored format.
inline uint16_t SignExponent(long double value) {
  unsigned char bytes[sizeof(long double)];
  std::memcpy(bytes, &value, sizeof value);
  uint16_t word;
  std::memcpy(&word, bytes + kSignExponentOffset, sizeof word);
  return word;
}

}  // namespace extended_detail

// ------------------------------------------------------------ loads, stores

inline Extended Extended::FromInt(int64_t value) {
  // Every int64 fits the 64-bit significand: exact, raises nothing.
  return Extended(static_cast<long double>(value));
}

// The widening loads are single instructions too: exact, and like any load
// they raise invalid for a signaling NaN.
inline Extended Extended::FromSingle(float value) {
  long double loaded;
  asm volatile("flds %1" : "=t"(loaded) : "m"(value));
  return Extended(loaded);
}

inline Extended Extended::FromDouble(double value) {
  long double loaded;
  asm volatile("fldl %1" : "=t"(loaded) : "m"(value));
  return Extended(loaded);
}

inline float Extended::ToSingle() const {
  // fsts rounds with the unit's mode (to nearest, even) and raises overflow,
  // underflow and inexact as the store they stand for.
  float stored;
  asm volatile("fsts %0" : "=m"(stored) : "t"(value_));
  return stored;
}

inline double Extended::ToDouble() const {
  double stored;
  asm volatile("fstl %0" : "=m"(stored) : "t"(value_));
  return stored;
}

// ------------------------------------------------------------ bit access

inline Extended Extended::FromParts(bool negative, uint16_t biased_exponent,
                                    uint64_t significand) {
  const uint16_t word =
      static_cast<uint16_t>((negative ? 0x8000u : 0u) | (biased_exponent & 0x7FFFu));
  unsigned char bytes[sizeof(long double)] = {};
  std::memcpy(bytes, &significand, sizeof significand);
  std::memcpy(bytes + extended_detail::kSignExponentOffset, &word, sizeof word);
  long double value;
  std::memcpy(&value, bytes, sizeof value);
  return Extended(value);
}

inline bool Extended::negative() const {
  return (extended_detail::SignExponent(value_) & 0x8000u) != 0;
}

inline uint16_t Extended::biased_exponent() const {
  return static_cast<uint16_t>(extended_detail::SignExponent(value_) & 0x7FFFu);
}

inline uint64_t Extended::significand() const {
  uint64_t significand;
  std::memcpy(&significand, &value_, sizeof significand);  // the first 8 bytes
  return significand;
}

inline bool Extended::is_nan() const {
  // Infinity has the significand 0x8000000000000000; anything else with the
  // top exponent is a NaN (the pseudo forms included).
  return biased_exponent() == kMaxBiasedExponent &&
         significand() != 0x8000000000000000ull;
}

// ------------------------------------------------------------ arithmetic

// Each step computed once, in extended precision with the unit's current
// rounding, and its result rounded to extended.
inline Extended operator+(Extended left, Extended right) {
  const long double a = extended_detail::Settle(left.native());
  const long double b = extended_detail::Settle(right.native());
  return Extended(extended_detail::Settle(a + b));
}

inline Extended operator-(Extended left, Extended right) {
  const long double a = extended_detail::Settle(left.native());
  const long double b = extended_detail::Settle(right.native());
  return Extended(extended_detail::Settle(a - b));
}

inline Extended operator*(Extended left, Extended right) {
  const long double a = extended_detail::Settle(left.native());
  const long double b = extended_detail::Settle(right.native());
  return Extended(extended_detail::Settle(a * b));
}

inline Extended operator/(Extended left, Extended right) {
  const long double a = extended_detail::Settle(left.native());
  const long double b = extended_detail::Settle(right.native());
  return Extended(extended_detail::Settle(a / b));
}

inline Extended operator-(Extended value) {
  return Extended(extended_detail::Settle(-extended_detail::Settle(value.native())));
}

// fabs: the sign bit cleared, as a negation of a negative value would do,
// without the trip through memory that reading the sign takes.
inline Extended Abs(Extended value) {
  const long double magnitude = __builtin_fabsl(extended_detail::Settle(value.native()));
  return Extended(extended_detail::Settle(magnitude));
}

// Comparisons are made on the extended values, without rounding. Any
// comparison with a NaN is false (except !=).
inline bool operator==(Extended left, Extended right) {
  return extended_detail::Settle(left.native()) == extended_detail::Settle(right.native());
}
inline bool operator!=(Extended left, Extended right) { return !(left == right); }
inline bool operator<(Extended left, Extended right) {
  return extended_detail::Settle(left.native()) < extended_detail::Settle(right.native());
}
inline bool operator<=(Extended left, Extended right) {
  return extended_detail::Settle(left.native()) <= extended_detail::Settle(right.native());
}
inline bool operator>(Extended left, Extended right) {
  return extended_detail::Settle(left.native()) > extended_detail::Settle(right.native());
}
inline bool operator>=(Extended left, Extended right) {
  return extended_detail::Settle(left.native()) >= extended_detail::Settle(right.native());
}

}  // namespace tolvex::numeric
