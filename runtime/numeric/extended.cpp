// The extended value (see extended.h): bit access to the 80-bit format and
// arithmetic steps that happen exactly where the code writes them.
#include "runtime/numeric/extended.h"

#include <cstring>

namespace tolvex::numeric {
namespace {

// The 80-bit format in memory (little-endian): 8 bytes of significand, then
// 2 bytes of sign and biased exponent; the rest of the long double is padding.
constexpr std::size_t kSignificandOffset = 0;
constexpr std::size_t kSignExponentOffset = 8;

uint16_t SignExponent(long double value) {
  unsigned char bytes[sizeof(long double)];
  std::memcpy(bytes, &value, sizeof value);
  uint16_t word;
  std::memcpy(&word, bytes + kSignExponentOffset, sizeof word);
  return word;
}

// Pins a value in memory: whatever produced it has happened before this
// returns, and whatever uses it happens after.
long double Pin(long double value) {
  volatile long double pinned = value;
  return pinned;
}

}  // namespace

Extended Extended::FromInt(int64_t value) {
  return Extended(static_cast<long double>(value));
}
Extended Extended::FromSingle(float value) { return Extended(Pin(value)); }
Extended Extended::FromDouble(double value) { return Extended(Pin(value)); }

Extended Extended::FromParts(bool negative, uint16_t biased_exponent,
                             uint64_t significand) {
  unsigned char bytes[sizeof(long double)] = {};
  const uint16_t word =
      static_cast<uint16_t>((negative ? 0x8000u : 0u) | (biased_exponent & 0x7FFFu));
  std::memcpy(bytes + kSignificandOffset, &significand, sizeof significand);
  std::memcpy(bytes + kSignExponentOffset, &word, sizeof word);
  long double value;
  std::memcpy(&value, bytes, sizeof value);
  return Extended(value);
}

bool Extended::negative() const { return (SignExponent(value_) & 0x8000u) != 0; }

uint16_t Extended::biased_exponent() const {
  return static_cast<uint16_t>(SignExponent(value_) & 0x7FFFu);
}

uint64_t Extended::significand() const {
  unsigned char bytes[sizeof(long double)];
  std::memcpy(bytes, &value_, sizeof value_);
  uint64_t significand;
  std::memcpy(&significand, bytes + kSignificandOffset, sizeof significand);
  return significand;
}

bool Extended::is_nan() const {
  // Infinity has the significand 0x8000000000000000; anything else with the
  // top exponent is a NaN (the pseudo forms included).
  return biased_exponent() == kMaxBiasedExponent &&
         significand() != 0x8000000000000000ull;
}

float Extended::ToSingle() const {
  volatile float stored = static_cast<float>(Pin(value_));
  return stored;
}

double Extended::ToDouble() const {
  volatile double stored = static_cast<double>(Pin(value_));
  return stored;
}

Extended operator+(Extended left, Extended right) {
  volatile long double a = left.native();
  volatile long double b = right.native();
  volatile long double result = a + b;
  return Extended(result);
}

Extended operator-(Extended left, Extended right) {
  volatile long double a = left.native();
  volatile long double b = right.native();
  volatile long double result = a - b;
  return Extended(result);
}

Extended operator*(Extended left, Extended right) {
  volatile long double a = left.native();
  volatile long double b = right.native();
  volatile long double result = a * b;
  return Extended(result);
}

Extended operator/(Extended left, Extended right) {
  volatile long double a = left.native();
  volatile long double b = right.native();
  volatile long double result = a / b;
  return Extended(result);
}

Extended operator-(Extended value) {
  volatile long double a = value.native();
  volatile long double result = -a;
  return Extended(result);
}

Extended Abs(Extended value) {
  return value.negative() ? -value : value;
}

bool operator==(Extended left, Extended right) {
  return Pin(left.native()) == Pin(right.native());
}
bool operator!=(Extended left, Extended right) { return !(left == right); }
bool operator<(Extended left, Extended right) {
  return Pin(left.native()) < Pin(right.native());
}
bool operator<=(Extended left, Extended right) {
  return Pin(left.native()) <= Pin(right.native());
}
bool operator>(Extended left, Extended right) {
  return Pin(left.native()) > Pin(right.native());
}
bool operator>=(Extended left, Extended right) {
  return Pin(left.native()) >= Pin(right.native());
}

}  // namespace tolvex::numeric
