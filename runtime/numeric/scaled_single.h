// ScaledSingle: scanned digits rounded to single precision, computed with
// integers exactly as the float unit computes ScaledValue and its store to
// single, without a trip through the unit. The conversion of every elevation
// of a tile runs here, so it is inline. Holds no OS code.
//
// An extended value is kept as a 64-bit significand with its top bit set and
// an unbiased exponent: value = significand × 2^(exponent - 63). The unit
// multiplies two such values by rounding their exact 128-bit product to 64
// bits, to nearest with ties to even; it stores to single by rounding the 64
// bits to 24 the same way. No scaled value comes near the ends of the
// extended range (the largest is below 2^64 × 10^511), so no product
// overflows or underflows, and only the single's range needs checking.
#pragma once
#include <cstdint>
#include <cstring>

#include "runtime/numeric/number_scan.h"
#include "runtime/numeric/powers_of_ten.h"

namespace tolvex::numeric {

// For digits scanned with status kScanOk: true with *single = the value
// ScaledValue(digits) stores as a single (round to nearest, ties to even,
// each product of the scaling rounded to extended first). False when the
// integer path does not apply: more than 19 digits, or a result outside the
// normal singles (overflow, subnormal); the caller then takes the unit's
// path. Touches no state, raises no flag of the float unit (SmallSingle's
// division runs on the SSE unit, whose flags the runtime never reads).
// Example: 1397125, -4 → 139.71249389648438 (0x430BB666).
inline bool ScaledSingle(const ScannedDigits& digits, float* single);

// ScaledSingle for a short accumulator: accumulator × 10^-fraction_digits
// as a single, for 1 <= accumulator < 2^24 and 0 <= fraction_digits <= 7
// (every value a tile holds). Example: 34204, 2 → 342.04f.
inline float SmallSingle(uint32_t accumulator, int32_t fraction_digits, bool negative);

// ScanPlainDecimal followed by ScaledSingle: the plain decimal from `text`
// up to `end` at most as a single. Returns where the number stops, or null
// when either step declines (the text is no plain decimal, or its value no
// normal single), leaving *single unspecified. A number that ends within
// the 8 bytes after its sign (all readable) is read from them at once.
// Examples: "342.04\r\n" → 342.04f, stops at the CR; "-0\r\n" → +0.
inline const char* ScanPlainSingle(const char* text, const char* end, float* single);

// ------------------------------------------------------------ inline steps

namespace scaled_single_detail {

using Wide = unsigned __int128;

struct Unpacked {
  uint64_t significand;  // top bit set
  int32_t exponent;
};

// Round to nearest, ties to even, of kept + rest / 2^64, where rest holds
// the dropped bits aligned to the top of its 64 bits: 1 to add, else 0.
// Without branches: which way a value rounds is as good as random. The sum
// rest + (half - 1) + (lowest bit of kept) passes 2^64 exactly when rest
// is above the half, or at it with kept odd.
inline uint64_t RoundingCarry(uint64_t kept, uint64_t rest) {
  constexpr uint64_t kBelowHalf = (uint64_t{1} << 63) - 1;
  uint64_t sum;
  return __builtin_add_overflow(rest, kBelowHalf + (kept & 1), &sum) ? 1 : 0;
}

// One fmul: the exact product rounded to 64 bits.
inline Unpacked Multiply(Unpacked left, const PowerBits& right) {
  const Wide product = Wide{left.significand} * right.significand;
  auto high = static_cast<uint64_t>(product >> 64);
  auto low = static_cast<uint64_t>(product);
  // Two normalised 64-bit factors give 128 or 127 significant bits; the
  // shorter product moves up by one bit.
  const uint64_t top = high >> 63;
  const uint64_t shift = top ^ 1;
  high = (high << shift) | ((low >> 63) & shift);
  low <<= shift;
  int32_t exponent = left.exponent + right.exponent + static_cast<int32_t>(top);
  high += RoundingCarry(high, low);
  if (high == 0) [[unlikely]] {  // all ones rounded up: the next power of two
    high = uint64_t{1} << 63;
    ++exponent;
  }
  return {high, exponent};
}

// The powers SmallSingle divides by; each is exact in single precision.
inline constexpr float kSmallDivisors[8] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f};
constexpr uint64_t kSmallAccumulators = uint64_t{1} << 24;  // exact as singles
constexpr int32_t kSmallFractionDigits = 7;

// ScanPlainSingle for a number that does not end within its first 8
// bytes: rare, so kept out of the callers' way.
[[gnu::noinline]] inline const char* ScanLongPlainSingle(const char* text, const char* end,
                                                        float* single) {
  ScannedDigits scanned;
  const char* stop = ScanPlainDecimal(text, end, &scanned);
  if (stop == nullptr || !ScaledSingle(scanned, single)) return nullptr;
  return stop;
}

}  // namespace scaled_single_detail

// Why one division gives the unit's single. Let q = a / 10^k, a and 10^k
// both exact singles (a < 2^24, 10^k = 2^k × 5^k with 5^7 < 2^24): the
// division is IEEE, so it gives q rounded to single, to nearest with ties
// to even. The unit's result r is q up to a relative error below 2^-61
// (at most three table entries, 10^-4, 10^-2 and 10^-1, within 1.1, 0.76
// and 0.2 units of their last place of the power, and three products, each
// rounded within half a unit). Rounded to 24 bits, r lands where q does
// unless a midpoint m = M × 2^e between two singles (M odd, 2^24 < M <
// 2^25) lies between them or at r. Now q is never such a midpoint: a dyadic
// q needs 5^k to divide a, and then q = (a / 5^k) / 2^k has at most 24
// significant bits. And q keeps away from every midpoint by far more than
// 2^-61 of itself: with e < 0 (every m near q lies below 2^24),
// |q - m| = |a × 2^-e - M × 10^k| / (10^k × 2^-e) >= 1 / (10^k × 2^-e), so
// |q - m| / m >= 1 / (10^k × M) > 2^-25 / 10^7 > 2^-49.
[[gnu::always_inline]] inline float SmallSingle(uint32_t accumulator, int32_t fraction_digits,
                                               bool negative) {
  const float magnitude = static_cast<float>(accumulator) /
                          scaled_single_detail::kSmallDivisors[fraction_digits];
  return negative ? -magnitude : magnitude;
}

[[gnu::always_inline]] inline bool ScaledSingle(const ScannedDigits& digits, float* single) {
  if (digits.high != 0) return false;
  if (digits.low == 0) {  // every zero is +0
    *single = 0.0f;
    return true;
  }
  if (digits.low < scaled_single_detail::kSmallAccumulators && digits.exponent <= 0 &&
      digits.exponent >= -scaled_single_detail::kSmallFractionDigits) {
    *single = SmallSingle(static_cast<uint32_t>(digits.low), -digits.exponent, digits.negative);
    return true;
  }
  using scaled_single_detail::Multiply;
  using scaled_single_detail::RoundingCarry;
  using scaled_single_detail::Unpacked;
  // The accumulator is exact in 64 bits.
  const int leading = __builtin_clzll(digits.low);
  Unpacked value{digits.low << leading, 63 - leading};
  // One table entry per set bit of |exponent|, from 256 down to 1, as the
  // scan scales.
  const PowerBits* table = digits.exponent < 0 ? kDownBits : kUpBits;
  auto rest = static_cast<uint32_t>(digits.exponent < 0 ? -digits.exponent : digits.exponent);
  while (rest != 0) {
    const int bit = 31 - __builtin_clz(rest);
    value = Multiply(value, table[kPowerCount - 1 - bit]);
    rest &= ~(1u << bit);
  }
  // The store to single: 64 bits to 24.
  uint64_t kept = value.significand >> 40;
  kept += RoundingCarry(kept, value.significand << 24);
  int32_t exponent = value.exponent;
  if (kept == (uint64_t{1} << 24)) [[unlikely]] {
    kept >>= 1;
    ++exponent;
  }
  if (exponent < -126 || exponent > 127) return false;  // subnormal or overflow
  const uint32_t bits = (digits.negative ? 0x80000000u : 0u) |
                        static_cast<uint32_t>(exponent + 127) << 23 |
                        (static_cast<uint32_t>(kept) & 0x7FFFFFu);
  std::memcpy(single, &bits, sizeof bits);
  return true;
}

[[gnu::always_inline]] inline const char* ScanPlainSingle(const char* text, const char* end,
                                                         float* single) {
  const char* p = text;
  const bool negative = p != end && *p == '-';
  if (p != end && (*p == '-' || *p == '+')) ++p;
  uint64_t accumulator;
  long digits;
  int32_t fraction_digits;
  bool point;
  const char* stop;
  // At most 7 digits end within 8 bytes: SmallSingle's range.
  if (end - p >= 8 && number_scan_detail::ScanEightBytes(p, &accumulator, &digits,
                                                         &fraction_digits, &point, &stop)) {
    if (digits == 0 && !point) return nullptr;
    *single = accumulator == 0 ? 0.0f  // every zero is +0
                               : SmallSingle(static_cast<uint32_t>(accumulator),
                                             fraction_digits, negative);
    return stop;
  }
  return scaled_single_detail::ScanLongPlainSingle(text, end, single);
}

}  // namespace tolvex::numeric
