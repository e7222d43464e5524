// ScanNumber (see number_scan.h): text → (96-bit digits, decimal exponent) →
// extended value. Holds no OS code.
#include "runtime/numeric/number_scan.h"

#include <cstring>

#include "runtime/numeric/powers_of_ten.h"

namespace tolvex::numeric {
namespace {

using Wide = unsigned __int128;  // only the low 96 bits are ever used

// 28 decimal digits stay below 10^28 < 2^94, so the accumulator never
// leaves its 96 bits.
constexpr uint32_t kMaxDigits = 28;
// The first 19 digits fit 64 bits (10^19 - 1 < 2^64): the common short
// number never needs the wide part.
constexpr uint32_t kNarrowDigits = 19;
// Without an exponent letter, 8 or more digits make a number double-sized.
constexpr uint32_t kSingleSizedDigits = 8;
// Decimal exponents at or beyond this size are out of range in either
// direction; the tables reach 10^511 through their nine entries.
constexpr int64_t kExponentLimit = 512;
// An explicit exponent of more than nine significant digits would wrap its
// 32-bit accumulator into a small, wrong exponent: it is out of range instead.
constexpr uint32_t kMaxExponentDigits = 9;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The character under the scan. Reading the next one always skips blanks.
class Reader {
 public:
  explicit Reader(const char* text) : next_(text), current_at_(text) {}

  char Next() {
    while (*next_ == ' ') ++next_;
    current_at_ = next_;
    current_ = *next_;
    if (current_ != '\0') ++next_;
    return current_;
  }
  char current() const { return current_; }
  const char* current_at() const { return current_at_; }
  // True when the character just before the current one is a blank.
  bool AfterBlank(const char* start) const {
    return current_at_ > start && current_at_[-1] == ' ';
  }

 private:
  const char* next_;
  const char* current_at_;
  char current_ = '\0';
};

// The accumulated digits: accumulator = accumulator * 10 + digit, up to 28
// of them. The first 19 are kept in 64 bits and only a longer number moves
// to the wide part; both hold the same integer.
class Accumulator {
 public:
  void Add(unsigned digit) {
    if (count_ < kNarrowDigits) {
      narrow_ = narrow_ * 10 + digit;
    } else {
      if (count_ == kNarrowDigits) wide_ = narrow_;
      wide_ = wide_ * 10 + digit;
    }
    ++count_;
  }
  uint32_t count() const { return count_; }
  bool is_zero() const { return count_ <= kNarrowDigits ? narrow_ == 0 : wide_ == 0; }

  // The integer as bits 0..63 and 64..95.
  uint64_t low() const {
    return count_ <= kNarrowDigits ? narrow_ : static_cast<uint64_t>(wide_);
  }
  uint32_t high() const {
    return count_ <= kNarrowDigits ? 0 : static_cast<uint32_t>(wide_ >> 64);
  }

 private:
  uint64_t narrow_ = 0;
  Wide wide_ = 0;
  uint32_t count_ = 0;
};

// The accumulator as an exact extended value: its top bit moved to bit 63
// of the significand, low bits dropped when it has more than 64 significant
// bits. Not zero. Below 2^63 the unit's integer load gives the same value
// and is much cheaper than assembling the stored format in memory.
Extended AccumulatorValue(const ScannedDigits& digits) {
  if (digits.high == 0 && digits.low < (uint64_t{1} << 63)) {
    const Extended loaded = Extended::FromInt(static_cast<int64_t>(digits.low));
    return digits.negative ? -loaded : loaded;
  }
  const Wide wide = (Wide{digits.high} << 64) | digits.low;
  const int bits = digits.high != 0 ? 128 - __builtin_clzll(digits.high)
                                    : 64 - __builtin_clzll(digits.low);
  const uint64_t significand = bits > 64 ? static_cast<uint64_t>(wide >> (bits - 64))
                                         : static_cast<uint64_t>(wide) << (64 - bits);
  return Extended::FromParts(digits.negative,
                             static_cast<uint16_t>(Extended::kExponentBias + bits - 1),
                             significand);
}

// value * 10^exponent, one table entry per set bit of |exponent|, from 256
// down to 1, each product rounded to extended. Only the set bits are
// visited, highest first: entry i stands for 2^(8 - i).
Extended Scale(Extended value, int32_t exponent) {
  static_assert(kPowerExponents[0] == 1 << (kPowerCount - 1) &&
                kPowerExponents[kPowerCount - 1] == 1);
  const Extended* table = exponent < 0 ? PowersOfTenDown : PowersOfTenUp;
  auto rest = static_cast<uint32_t>(exponent < 0 ? -exponent : exponent);  // below 512
  while (rest != 0) {
    const int bit = 31 - __builtin_clz(rest);
    value = value * table[kPowerCount - 1 - bit];
    rest &= ~(1u << bit);
  }
  return value;
}

}  // namespace

ScannedDigits ScanDigits(const char* text) {
  ScannedDigits result;
  const char* const end = text + std::strlen(text);
  if (ScanPlainDecimal(text, end, &result) == end) return result;
  result = ScannedDigits{};
  Reader reader(text);
  bool negative = false;
  bool seen = false;
  Accumulator accumulator;
  uint32_t extra_digits = 0;

  // Sign.
  char c = reader.Next();
  if (c == '-' || c == '+') {
    negative = c == '-';
    c = reader.Next();
  }
  // Leading zeros count for nothing but make "0" and "." numbers.
  if (c == '.') {
    seen = true;
  } else if (c == '0') {
    seen = true;
    while (c == '0') c = reader.Next();
  }
  // Integer digits: the 29th and later only shift the point.
  for (; IsDigit(c); c = reader.Next()) {
    if (accumulator.count() < kMaxDigits) {
      accumulator.Add(static_cast<unsigned>(c - '0'));
    } else {
      ++extra_digits;
    }
  }
  int64_t adjust = int64_t{accumulator.count()} + extra_digits;
  // Fraction digits: zeros before the first significant digit only move the
  // point; digits beyond the 28th are dropped.
  if (c == '.') {
    c = reader.Next();
    if (accumulator.count() == 0) {
      for (; c == '0'; c = reader.Next()) --adjust;
    }
    for (; IsDigit(c); c = reader.Next()) {
      if (accumulator.count() < kMaxDigits) accumulator.Add(static_cast<unsigned>(c - '0'));
    }
  }
  const uint32_t digits = accumulator.count();
  adjust -= digits;  // now number = accumulator * 10^adjust
  if (digits == 0 && !seen) {
    result.status = kScanNotANumber;
    result.end = reader.current_at();
    return result;
  }

  // Exponent letter, unless a blank stands between it and the digits.
  uint8_t precision = 0;
  if (!reader.AfterBlank(text)) {
    if (c == 'E' || c == 'e') precision = kClassSingle;
    if (c == 'D' || c == 'd') precision = kClassDouble;
  }
  uint32_t explicit_exponent = 0;
  bool exponent_too_long = false;
  bool exponent_negative = false;
  if (precision != 0) {
    c = reader.Next();
    if (c == '-' || c == '+') {
      exponent_negative = c == '-';
      c = reader.Next();
    }
    uint32_t exponent_digits = 0;
    for (; IsDigit(c); c = reader.Next()) {
      if (explicit_exponent != 0 || c != '0') ++exponent_digits;
      if (exponent_digits > kMaxExponentDigits) exponent_too_long = true;
      explicit_exponent = explicit_exponent * 10 + static_cast<uint32_t>(c - '0');
    }
  } else {
    precision = digits < kSingleSizedDigits ? kClassSingleSized : kClassDoubleSized;
  }
  result.precision = precision;
  result.end = reader.current_at();

  // Zero: always +0, and no range check.
  if (accumulator.is_zero()) {
    result.status = kScanOk;
    return result;
  }
  const int64_t exponent =
      (exponent_negative ? -int64_t{explicit_exponent} : int64_t{explicit_exponent}) +
      adjust;
  if (exponent_too_long || exponent >= kExponentLimit || exponent <= -kExponentLimit) {
    result.status = kScanOutOfRange;
    return result;
  }
  result.status = kScanOk;
  result.negative = negative;
  result.high = accumulator.high();
  result.low = accumulator.low();
  result.exponent = static_cast<int32_t>(exponent);
  return result;
}

Extended ScaledValue(const ScannedDigits& digits) {
  if (digits.high == 0 && digits.low == 0) return Extended(0.0L);
  return Scale(AccumulatorValue(digits), digits.exponent);
}

ScanResult ScanNumber(const char* text) {
  const ScannedDigits digits = ScanDigits(text);
  ScanResult result;
  result.status = digits.status;
  result.precision = digits.precision;
  result.end = digits.end;
  if (digits.status == kScanOk) result.value = ScaledValue(digits);
  return result;
}

}  // namespace tolvex::numeric
