// One value text to one cell (see elevation_text.h): the runtime's scan and
// conversion to single, then the per-entry arithmetic shared with the
// dialogue. Holds no OS code.
#include "convert/cli/elevation_text.h"

#include "convert/elevation_cell.h"
#include "runtime/numeric/convert_kind.h"
#include "runtime/numeric/number_scan.h"

namespace tolvex::cli {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The runtime's scan is lenient where a tile's text must not be: it reads
// "1e" and "1e+" as 1 (an exponent letter without digits) and "." as 0.
// Such a text is a value cut short or garbled, so it is refused: the text
// must end in a digit or the point, and a zero must show a digit.
bool IsWholeNumberText(const char* text, size_t size, const numeric::ScannedDigits& scan) {
  const char last = text[size - 1];
  if (!IsDigit(last) && last != '.') return false;
  if (scan.low != 0 || scan.high != 0) return true;
  for (size_t i = 0; i < size; ++i)
    if (IsDigit(text[i])) return true;
  return false;
}

// The value as the dialogue's item input stores a single, or why not.
// ScanDigits skips blanks anywhere, so a blank is refused before the scan
// ("1 2" must not read as 12); the rest of the text must be the number.
[[gnu::always_inline]] inline ValueStatus ScanSingle(const char* text, size_t size,
                                                     float* single) {
  for (size_t i = 0; i < size; ++i)
    if (text[i] == ' ') return ValueStatus::kNotANumber;
  const numeric::ScannedDigits scan = numeric::ScanDigits(text);
  if (scan.status == numeric::kScanNotANumber || scan.end != text + size ||
      !IsWholeNumberText(text, size, scan))
    return ValueStatus::kNotANumber;
  if (scan.status == numeric::kScanOutOfRange) return ValueStatus::kOutOfRange;
  if (!numeric::ConvertScannedToSingle(scan, single)) return ValueStatus::kOutOfRange;
  return ValueStatus::kOk;
}

// Metres and tenths: the dialogue's unit arithmetic on that single.
[[gnu::always_inline]] inline ValueStatus CellOfSingle(float elevation, Unit unit,
                                                       int16_t* cell) {
  const int16_t factor = unit == Unit::kTenths ? convert::kTenthsFactor : convert::kMetresFactor;
  return convert::ElevationCell(elevation, factor, cell) ? ValueStatus::kOk
                                                         : ValueStatus::kOutOfRange;
}

// ScanDigits reads NUL-terminated text: a string_view is copied first.
struct TerminatedCopy {
  explicit TerminatedCopy(std::string_view text) : fits(text.size() <= kMaxValueText) {
    if (!fits) return;
    text.copy(bytes, text.size());
    bytes[text.size()] = '\0';
  }
  bool fits;
  char bytes[kMaxValueText + 1];
};

}  // namespace

ValueStatus ElevationFromTerminatedText(const char* text, size_t size, Unit unit,
                                        int16_t* cell) {
  if (PlainElevation(text, size, unit, cell)) return ValueStatus::kOk;
  if (size > kMaxValueText) return ValueStatus::kNotANumber;
  float elevation = 0;
  const ValueStatus status = ScanSingle(text, size, &elevation);
  if (status != ValueStatus::kOk) return status;
  return CellOfSingle(elevation, unit, cell);
}

ValueStatus ElevationFromTerminatedText(const char* text, size_t size, float* cell) {
  if (PlainElevation(text, size, cell)) return ValueStatus::kOk;
  if (size > kMaxValueText) return ValueStatus::kNotANumber;
  return ScanSingle(text, size, cell);
}

ValueStatus ElevationFromText(std::string_view text, Unit unit, int16_t* cell) {
  const TerminatedCopy copy(text);
  if (!copy.fits) return ValueStatus::kNotANumber;
  return ElevationFromTerminatedText(copy.bytes, text.size(), unit, cell);
}

ValueStatus ElevationFromText(std::string_view text, float* cell) {
  const TerminatedCopy copy(text);
  if (!copy.fits) return ValueStatus::kNotANumber;
  return ElevationFromTerminatedText(copy.bytes, text.size(), cell);
}

}  // namespace tolvex::cli
