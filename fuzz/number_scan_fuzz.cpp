// Fuzz target: number scanning, the command line's fast paths checked
// against the general path of the runtime's scan and float unit.
//
// Properties: what PlainElevation accepts, ScanDigits reads whole to the same
// single and cells; ScaledSingle (the integer rounding to single) gives the
// unit's single bit for bit and declines only where it says; ScanNumber is
// its two stages; no reported float flag is left behind.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>
#include <string>
#include <vector>

#include "convert/cli/elevation_text.h"
#include "convert/elevation_cell.h"
#include "fuzz/fuzz_support.h"
#include "runtime/numeric/float_unit.h"
#include "runtime/numeric/number_scan.h"
#include "runtime/numeric/scaled_single.h"

namespace tolvex::fuzz {
namespace {

using numeric::Extended;
using numeric::ScannedDigits;

uint32_t Bits(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

bool SameBits(Extended a, Extended b) {
  return a.negative() == b.negative() && a.biased_exponent() == b.biased_exponent() &&
         a.significand() == b.significand();
}

// The general path: the scaled value stored to single by the unit. False when
// the store overflows; its flag is taken back.
bool UnitSingle(const ScannedDigits& digits, float* single) {
  const numeric::StatusKeeper keep_status;
  *single = numeric::ScaledValue(digits).ToSingle();
  return (Bits(*single) & 0x7F800000u) != 0x7F800000u;
}

constexpr uint32_t kSmallestNormal = 0x00800000u;

bool IsNormal(float value) {
  const uint32_t exponent = Bits(value) & 0x7F800000u;
  return exponent != 0 && exponent != 0x7F800000u;
}

// ScaledSingle gives the unit's single bit for bit, and declines only where
// it says it does: more than 19 digits or a result outside the normal singles.
// The smallest normal counts as outside too: a value just below it is
// subnormal at 24 bits, where the integer path declines, but the unit rounds
// it with a subnormal's precision, up to the smallest normal.
void CheckScaledSingle(const ScannedDigits& digits) {
  float unit = 0;
  const bool unit_ok = UnitSingle(digits, &unit);
  float fast = 0;
  if (numeric::ScaledSingle(digits, &fast)) {
    FUZZ_CHECK(unit_ok && Bits(fast) == Bits(unit));
  } else {
    FUZZ_CHECK(digits.high != 0 || !unit_ok || !IsNormal(unit) ||
               (Bits(unit) & 0x7FFFFFFFu) == kSmallestNormal);
  }
}

// ScanNumber is ScanDigits then ScaledValue.
void CheckTwoStages(const char* text) {
  const numeric::ScanResult whole = numeric::ScanNumber(text);
  const ScannedDigits digits = numeric::ScanDigits(text);
  FUZZ_CHECK(whole.status == digits.status && whole.end == digits.end &&
             whole.precision == digits.precision);
  if (digits.status != numeric::kScanOk) return;
  FUZZ_CHECK(SameBits(whole.value, numeric::ScaledValue(digits)));
  CheckScaledSingle(digits);
}

// What PlainElevation accepts, the scan reads whole to the same single, and
// the cells of both units are the dialogue's cells of that single.
void CheckPlainPath(const std::string& text) {
  float plain = 0;
  if (!cli::PlainElevation(text.data(), text.size(), &plain)) return;
  const ScannedDigits digits = numeric::ScanDigits(text.c_str());
  FUZZ_CHECK(digits.status == numeric::kScanOk && digits.end == text.c_str() + text.size());
  float unit = 0;
  FUZZ_CHECK(UnitSingle(digits, &unit) && Bits(unit) == Bits(plain));
  for (const cli::Unit cell_unit : {cli::Unit::kMetres, cli::Unit::kTenths}) {
    const int16_t factor =
        cell_unit == cli::Unit::kTenths ? convert::kTenthsFactor : convert::kMetresFactor;
    int16_t fast = 0;
    int16_t general = 0;
    const bool fast_ok = cli::PlainElevation(text.data(), text.size(), cell_unit, &fast);
    FUZZ_CHECK(fast_ok == convert::ElevationCell(unit, factor, &general));
    FUZZ_CHECK(!fast_ok || fast == general);
  }
}

// A text input is the text and a last byte with its low bit set (the
// provider takes its choices from the end).
std::vector<std::string> Seeds() {
  std::vector<std::string> seeds;
  for (const char* text : {"30.46", "-9999.", "139.7125", "1.5E2", "3276.8", "-.5e-3", "1D50",
                           "0.000000000000000000000000000000000000011754943",
                           "12345678901234567890.5", "340282356779733661637539395458142568448"})
    seeds.push_back(std::string(text) + "\x01");
  seeds.push_back(std::string("\xfc\xff\x01\x00\x40\x42\x0f\x00\x00\x00\x00\x00", 12));
  return seeds;
}

}  // namespace
}  // namespace tolvex::fuzz

FUZZ_SEEDS(tolvex::fuzz::Seeds)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tolvex;
  numeric::ResetFloatUnit();
  FuzzedDataProvider input(data, size);
  if (input.ConsumeBool()) {  // a text, as tiles and items hold them
    const std::string text = input.ConsumeRemainingBytesAsString();
    const std::string terminated = text.substr(0, text.find('\0'));
    fuzz::CheckTwoStages(terminated.c_str());
    fuzz::CheckPlainPath(terminated);
  } else {  // any digits the scan can hand over, beyond what a text reaches quickly
    numeric::ScannedDigits digits;
    digits.status = numeric::kScanOk;
    digits.low = input.ConsumeIntegral<uint64_t>();
    digits.exponent = input.ConsumeIntegralInRange<int32_t>(-511, 511);
    digits.negative = input.ConsumeBool();
    fuzz::CheckScaledSingle(digits);
  }
  // The scans leave no reported flag for a later CheckFloat to trip on.
  FUZZ_CHECK((numeric::ReadFloatStatus() & numeric::kStatusReported) == 0);
  return 0;
}
