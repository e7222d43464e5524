// ValueOfText and ScanRadixNumber (see value_of_text.h). Holds no OS code.
#include "runtime/numeric/value_of_text.h"

#include <cstring>

#include "runtime/core/error_codes.h"
#include "runtime/core/runtime_error.h"
#include "runtime/numeric/convert_kind.h"
#include "runtime/text/scratch_buffer.h"
#include "runtime/text/string_stack.h"

namespace tolvex::numeric {
namespace {

bool IsDigit(uint8_t c) { return c >= '0' && c <= '9'; }

bool IsRadixLetter(uint8_t c) { return c == 'H' || c == 'h' || c == 'O' || c == 'o'; }

// The value of one radix digit, or -1 when `c` is none.
int RadixDigit(uint8_t c, int radix) {
  int digit = -1;
  if (c >= '0' && c <= '9') digit = c - '0';
  if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
  if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
  return digit < radix ? digit : -1;
}

// Releases a popped temporary on every way out, an error raised while its
// bytes are read included (the error's own clean-up only sees the stack).
// A variable's record is left alone.
class TempRelease {
 public:
  explicit TempRelease(const text::StringValue& value) : value_(value) {}
  ~TempRelease() {
    text::ReleaseIfTemporary(value_);
  }
  TempRelease(const TempRelease&) = delete;
  TempRelease& operator=(const TempRelease&) = delete;

 private:
  const text::StringValue& value_;
};

KindValue Zero() { return KindValue{kKindInt16, Extended(0.0L)}; }

// Does the text at `rest` (with `left` bytes) start a decimal number?
bool StartsNumber(const uint8_t* rest, uint32_t left) {
  const uint8_t c = rest[0];
  const uint8_t after = left > 1 ? rest[1] : 0;
  if (IsDigit(c)) return true;
  if (c == '.') return IsDigit(after);
  if (c == '+' || c == '-') return IsDigit(after) || after == '.';
  return false;
}

}  // namespace

KindValue ValueOfBytes(const uint8_t* bytes, uint32_t length) {
  uint32_t start = 0;
  while (start < length && bytes[start] == ' ') ++start;
  if (start == length) return Zero();
  const uint8_t* rest = bytes + start;
  const uint32_t left = length - start;

  if (rest[0] == '&' && left >= 3 && IsRadixLetter(rest[1])) {
    const Extended value =
        ScanRadixNumber(reinterpret_cast<const char*>(rest + 1), left - 1);
    return KindValue{kKindDouble, value};
  }
  if (!StartsNumber(rest, left)) return Zero();

  // The scanner reads a NUL-terminated copy cut at the first blank.
  uint32_t count = 0;
  while (count < left && rest[count] != ' ') ++count;
  char* copy = reinterpret_cast<char*>(text::TakeScratch(count + 1));
  std::memcpy(copy, rest, count);
  copy[count] = '\0';
  const KindValue converted = ConvertToKind(copy, kKindAutomatic);
  if (converted.kind == kKindFailed)
    core::RaiseError(core::kErrOverflow, core::kLocValueOfText);
  return converted;
}

Extended ValueOfText() {
  const text::StringValue operand = text::PopText();
  const TempRelease release(operand);
  return ValueOfBytes(operand.bytes, operand.length).value;
}

Extended ScanRadixNumber(const char* text, uint32_t length) {
  if (length == 0) return Extended(0.0L);
  const auto* bytes = reinterpret_cast<const uint8_t*>(text);
  const int radix = (bytes[0] == 'H' || bytes[0] == 'h') ? 16 : 8;
  // Two double steps per digit, each rounded to double, run on the x87 unit
  // like every other step so that an overflow shows in its status: the
  // product of a double and 8 or 16 is exact in extended, and its store
  // rounds once, as a double multiplication does; the sum is exact below
  // 2^64, and above it the digit is below 1/256 of the double's unit
  // in the last place, so extended then double rounding gives the product,
  // as one double addition does.
  const Extended base = Extended::FromInt(radix);
  double value = 0.0;
  for (uint32_t i = 1; i < length; ++i) {
    const int digit = RadixDigit(bytes[i], radix);
    if (digit < 0) break;
    const double product = (Extended::FromDouble(value) * base).ToDouble();
    value = (Extended::FromDouble(product) + Extended::FromInt(digit)).ToDouble();
  }
  return Extended::FromDouble(value);
}

}  // namespace tolvex::numeric
