// ElevationFromText against the dialogue's path (ConvertField into a single,
// then ElevationCell), and the texts it refuses.
#include "convert/cli/elevation_text.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdio>

#include "convert/elevation_cell.h"
#include "runtime/numeric/convert_kind.h"

namespace tolvex::cli {
namespace {

// Empty when the three units agree with the dialogue's entry, else the text
// and the first unit that differs.
std::string Mismatch(const std::string& text) {
  numeric::Extended value;
  if (!numeric::ConvertField(text.c_str(), 2 /* single item */, &value)) return text + " unread";
  const float want = value.ToSingle();
  float single = 0;
  if (ElevationFromText(text, &single) != ValueStatus::kOk ||
      std::bit_cast<uint32_t>(single) != std::bit_cast<uint32_t>(want))
    return text + " f32";
  for (const Unit unit : {Unit::kMetres, Unit::kTenths}) {
    int16_t want_cell = 0, cell = 0;
    const bool fits = convert::ElevationCell(
        want, unit == Unit::kTenths ? convert::kTenthsFactor : convert::kMetresFactor, &want_cell);
    const ValueStatus status = fits ? ValueStatus::kOk : ValueStatus::kOutOfRange;
    if (ElevationFromText(text, unit, &cell) != status || cell != want_cell)
      return text + (unit == Unit::kTenths ? " dm" : " m");
  }
  return {};
}

// Other shapes the scan takes, "-9999." and every [-]I.FF with I in 0..9999
// and FF in 00..99.
TEST(ElevationText, EqualsTheDialogueForEveryTwoDecimalTextAndOtherShapes) {
  for (const std::string& text : std::vector<std::string>{
           "12.7", "-3.7", "0.49999997", "32767.4", "32767.5", "-9999", "1.5E2", "1.5e2", "+7.",
           ".5", "1.", "0.", "-0", "9999999999999999999", "99999999999999999999", "-9999.",
           "00000000000000000000012.7", std::string(kMaxValueText - 1, '0') + "7"})
    EXPECT_EQ(Mismatch(text), "");
  char text[16];
  for (const char* sign : {"", "-"}) {
    for (int hundredths = 0; hundredths < 1'000'000; ++hundredths) {
      std::snprintf(text, sizeof text, "%s%d.%02d", sign, hundredths / 100, hundredths % 100);
      ASSERT_EQ(Mismatch(text), "");
    }
  }
  // The header's example, so that a comparison gone wrong shows too: 12.7
  // is 12.69999981 as a single, and tenths are floored.
  int16_t tenths = 0;
  ASSERT_EQ(ElevationFromText("12.7", Unit::kTenths, &tenths), ValueStatus::kOk);
  EXPECT_EQ(tenths, 126);
}

// Refused in every unit (the two last as too large), the cell untouched.
TEST(ElevationText, RefusesWhatIsNotOneNumber) {
  for (const std::string& text : std::vector<std::string>{
           "12abc", "1e", "1e+", ".", "-.", "--1", "", "-", "1 2", " 12", "12 ", "1.2.3",
           "\xe3\x81\x82", std::string(kMaxValueText, '0') + "7", "1E50", "1E600"}) {
    SCOPED_TRACE(text);
    const ValueStatus status =
        text.starts_with("1E") ? ValueStatus::kOutOfRange : ValueStatus::kNotANumber;
    int16_t cell = 4242;
    float single = 4242;
    EXPECT_EQ(ElevationFromText(text, Unit::kMetres, &cell), status);
    EXPECT_EQ(ElevationFromText(text, Unit::kTenths, &cell), status);
    EXPECT_EQ(ElevationFromText(text, &single), status);
    EXPECT_EQ(cell, 4242);
    EXPECT_EQ(single, 4242);
  }
}

}  // namespace
}  // namespace tolvex::cli
