// ScanNumber: the one grammar of decimal numbers written as text, read into
// an extended value with its precision class. ConvertToKind, ConvertField,
// ValueOfText and ScanRadixNumber build on it (included at the end).
#pragma once
#include <cstdint>

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
// The value of digits scanned with status kScanOk: +0 for a zero
// accumulator, else the accumulator (exact up to 19 digits, its top 64 bits
// beyond) times one table entry per set bit of |exponent|, from 256 down to
// 1, each product rounded to extended. Example: 1397125, -4 → 139.7125.
Extended ScaledValue(const ScannedDigits& digits);

}  // namespace tolvex::numeric

#include "runtime/numeric/convert_kind.h"
#include "runtime/numeric/value_of_text.h"
