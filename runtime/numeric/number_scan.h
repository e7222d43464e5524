// ScanNumber: the one grammar of decimal numbers written as text, read into
// an extended value with its precision class. ConvertToKind, ConvertField,
// ValueOfText and ScanRadixNumber build on it (included at the end).
#pragma once
#include <cstdint>
#include <cstring>

#include "runtime/numeric/extended.h"

namespace tolvex::numeric {

// Kinds requested from and produced by ConvertToKind. The numbers are the
// runtime's own; kKindFailed is the distinct failure status.
enum NumberKind : uint8_t {
  kKindAutomatic = 0,
  kKindInt16 = 1,
  kKindInt32 = 2,
  kKindSingle = 4,
  kKindDouble = 8,
  kKindByte = 16,
  kKindFailed = 0xFF,
};

// Precision classes: an "E" or "D" exponent letter, or without one the
// number of accumulated digits (below 8 single-sized, else double-sized).
enum PrecisionClass : uint8_t {
  kClassSingle = 0x01,
  kClassDouble = 0x02,
  kClassNoLetter = 0x80,
  kClassSingleSized = 0x81,
  kClassDoubleSized = 0x82,
};

enum ScanStatus : uint8_t {
  kScanOk = 0,
  kScanNotANumber = 1,  // no digit: a sign alone, or text without digits
  kScanOutOfRange = 2,  // decimal exponent of 512 or more, or -512 or less
};

// A value with the kind it was produced as; kind kKindFailed on failure.
struct KindValue {
  NumberKind kind = kKindFailed;
  Extended value;  // exactly the produced kind's value (e.g. rounded to single)
};

struct ScanResult {
  ScanStatus status = kScanNotANumber;
  Extended value;               // accumulator * 10^exponent, each product rounded
  uint8_t precision = kClassSingleSized;
  const char* end = nullptr;    // first character that is not part of the number
};

// Reads a number from NUL-terminated text. Blanks (0x20) are skipped before
// every character; a leading "-" or "+", digits with at most one point, then
// "E"/"e" (single) or "D"/"d" (double) with an optional signed exponent.
// Up to 28 significant digits are accumulated in 96 bits; the value is
// exact up to 19 digits and then scaled by the power-of-ten tables.
// An explicit exponent of more than nine significant digits is out of range.
// Examples: "139.7125" → 1397125 * 10^-4, class 0x81; "1D50" → class 2;
// "12EA" → 12, class 1, end at "A"; "-" → not a number.
ScanResult ScanNumber(const char* text);

// ScanNumber in its two stages, for callers that go on with the value at
// once: the digits as an integer with their decimal exponent (integers
// only, cheap to hand over), then the value.
struct ScannedDigits {
  ScanStatus status = kScanNotANumber;
  bool negative = false;
  uint8_t precision = kClassSingleSized;
  uint32_t high = 0;          // accumulator bits 64..95 (more than 19 digits)
  uint64_t low = 0;           // accumulator bits 0..63
  int32_t exponent = 0;       // number = accumulator * 10^exponent, |exponent| < 512
  const char* end = nullptr;  // as ScanResult::end
};
ScannedDigits ScanDigits(const char* text);
// The common number, a plain decimal (a sign, 1 to 19 digits with at most
// one point among or after them, or the point alone), read in one pass from
// `text` up to `end` at most, for readers that hold the bytes without a
// terminator. Returns where it stopped (the first byte that is neither a
// digit nor the first point, or `end`) with *result what ScanDigits gives
// for the text up to there, terminated; null, with *result unspecified,
// when that text is not of the shape (no digit and no point, or more than
// 19 digits, leading zeros counted), which leaves it to ScanDigits.
// Examples: "-0012.50\r\n" stops at the CR with 1250, -2; "12E3" stops at
// the E with 12, 0; "1.2.3" stops at the second point.
inline const char* ScanPlainDecimal(const char* text, const char* end, ScannedDigits* result);
// The value of digits scanned with status kScanOk: +0 for a zero
// accumulator, else the accumulator (exact up to 19 digits, its top 64 bits
// beyond) times one table entry per set bit of |exponent|, from 256 down to
// 1, each product rounded to extended. Example: 1397125, -4 → 139.7125.
Extended ScaledValue(const ScannedDigits& digits);

// ------------------------------------------------------------ inline steps
// The plain decimal is read on every entry of a tile.

namespace number_scan_detail {

constexpr uint64_t kEachByte = 0x0101010101010101u;

// The value of the first `count` (1 to 8) digit values of `values`, the
// first in the lowest byte: they are moved to the top bytes with zeros
// below, then pairs, quadruples and the octet are joined by three
// multiplies, every partial sum staying inside its field.
[[gnu::always_inline]] inline uint64_t EightDigits(uint64_t values, int count) {
  uint64_t v = values << (64 - 8 * count);
  v = v * 10 + (v >> 8);  // bytes 0, 2, 4, 6: two digits each
  constexpr uint64_t kPairs = 0x000000FF000000FFu;
  return ((v & kPairs) * (100 + (uint64_t{1000000} << 32)) +
          ((v >> 16) & kPairs) * (1 + (uint64_t{10000} << 32))) >>
         32;
}

// The digits of a plain decimal that ends within the 8 bytes at `p` (all
// readable), taken at once: the accumulator, the number of digits and of
// those after the point, and where the number stops. False when it runs on
// past the 8 bytes, which the byte loop then reads.
[[gnu::always_inline]] inline bool ScanEightBytes(const char* p, uint64_t* accumulator,
                                                 long* digits, int32_t* fraction_digits,
                                                 bool* point, const char** stop) {
  uint64_t word;
  std::memcpy(&word, p, sizeof word);
  const uint64_t values = word ^ (0x30 * kEachByte);  // a digit's byte becomes its value
  // The top bit of every byte that is no digit (its value above 9), exact
  // up to the second such byte as long as the first is a point: only a
  // value of 0x8A or more carries into the next byte, and it is marked.
  const uint64_t others = ((values + 0x76 * kEachByte) | values) & (0x80 * kEachByte);
  if (others == 0) return false;
  const int end_byte = __builtin_ctzll(others) / 8;
  *point = p[end_byte] == '.';
  if (!*point) {
    *accumulator = end_byte == 0 ? 0 : EightDigits(values, end_byte);
    *digits = end_byte;
    *fraction_digits = 0;
    *stop = p + end_byte;
    return true;
  }
  const uint64_t after_point = (others >> (8 * end_byte)) >> 8;
  if (after_point == 0) return false;
  const int stop_byte = end_byte + 1 + __builtin_ctzll(after_point) / 8;
  // The point taken out: the bytes after it move down by one.
  const uint64_t before_point = (uint64_t{1} << (8 * end_byte)) - 1;
  const uint64_t digit_values = (values & before_point) | ((values >> 8) & ~before_point);
  const int count = stop_byte - 1;
  *accumulator = count == 0 ? 0 : EightDigits(digit_values, count);
  *digits = count;
  *fraction_digits = stop_byte - end_byte - 1;
  *stop = p + stop_byte;
  return true;
}

}  // namespace number_scan_detail

[[gnu::always_inline]] inline const char* ScanPlainDecimal(const char* text, const char* end,
                                                          ScannedDigits* result) {
  // 19 decimal digits fit 64 bits (10^19 - 1 < 2^64); leading zeros add
  // nothing to the accumulator, so counting them too only sends a few more
  // numbers to the general scan. Without an exponent letter, fewer than 8
  // significant digits make a number single-sized.
  constexpr long kMaxDigits = 19;
  constexpr long kSingleSizedDigits = 8;
  const char* p = text;
  const bool negative = p != end && *p == '-';
  if (p != end && (*p == '-' || *p == '+')) ++p;
  const char* const first = p;
  uint64_t accumulator = 0;
  long digits = 0;
  int32_t fraction_digits = 0;
  bool point = false;
  if (end - p < 8 || !number_scan_detail::ScanEightBytes(p, &accumulator, &digits,
                                                         &fraction_digits, &point, &p)) {
    const auto digit_at = [](const char* at) { return static_cast<unsigned>(*at - '0'); };
    for (; p != end && digit_at(p) <= 9; ++p) accumulator = accumulator * 10 + digit_at(p);
    digits = p - first;
    point = p != end && *p == '.';
    if (point) {
      const char* const fraction = ++p;
      for (; p != end && digit_at(p) <= 9; ++p) accumulator = accumulator * 10 + digit_at(p);
      fraction_digits = static_cast<int32_t>(p - fraction);
      digits += fraction_digits;
    }
  }
  if (digits > kMaxDigits || (digits == 0 && !point)) return nullptr;

  *result = ScannedDigits{};
  result->status = kScanOk;
  result->end = p;
  if (digits >= kSingleSizedDigits) {
    long significant = digits;
    for (const char* q = first; q != p && (*q == '0' || *q == '.'); ++q)
      if (*q == '0') --significant;
    if (significant >= kSingleSizedDigits) result->precision = kClassDoubleSized;
  }
  if (accumulator == 0) return p;  // +0, whatever its sign
  result->negative = negative;
  result->low = accumulator;
  result->exponent = -fraction_digits;
  return p;
}

}  // namespace tolvex::numeric
