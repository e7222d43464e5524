// ElevationFromText against the dialogue's own path for every value text a
// tile writes with two decimals, plus hand-picked texts at the edges.
#include "convert/cli/elevation_text.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>

#include "convert/elevation_cell.h"
#include "runtime/numeric/convert_kind.h"

namespace tolvex::cli {
namespace {

// The dialogue reads an entry as a single item, then applies its unit.
struct DialogueCells {
  bool read = false;
  float single = 0;
  bool metres_fit = false, tenths_fit = false;
  int16_t metres = 0, tenths = 0;
};

DialogueCells DialogueEntry(const std::string& text) {
  DialogueCells cells;
  numeric::Extended value;
  cells.read = numeric::ConvertField(text.c_str(), 2 /* single item */, &value);
  if (!cells.read) return cells;
  cells.single = value.ToSingle();
  cells.metres_fit = convert::ElevationCell(cells.single, convert::kMetresFactor, &cells.metres);
  cells.tenths_fit = convert::ElevationCell(cells.single, convert::kTenthsFactor, &cells.tenths);
  return cells;
}

ValueStatus FitStatus(bool fits) { return fits ? ValueStatus::kOk : ValueStatus::kOutOfRange; }

// Reports the first text whose cells differ; empty when all agree.
std::string Mismatch(const std::string& text) {
  const DialogueCells want = DialogueEntry(text);
  if (!want.read) return text + ": the dialogue cannot read it";
  float single = 0;
  int16_t metres = 0, tenths = 0;
  if (ElevationFromText(text, &single) != ValueStatus::kOk ||
      std::bit_cast<uint32_t>(single) != std::bit_cast<uint32_t>(want.single))
    return text + " f32";
  if (ElevationFromText(text, Unit::kMetres, &metres) != FitStatus(want.metres_fit) ||
      (want.metres_fit && metres != want.metres))
    return text + " m";
  if (ElevationFromText(text, Unit::kTenths, &tenths) != FitStatus(want.tenths_fit) ||
      (want.tenths_fit && tenths != want.tenths))
    return text + " dm";
  return {};
}

// "-9999." and every [-]I.FF with I in 0..9999 and FF in 00..99.
TEST(ElevationText, EqualsTheDialogueForEveryTwoDecimalText) {
  ASSERT_EQ(Mismatch("-9999."), "");
  std::string text;
  for (const char* sign : {"", "-"}) {
    for (int whole = 0; whole <= 9999; ++whole) {
      for (int hundredths = 0; hundredths <= 99; ++hundredths) {
        text = sign + std::to_string(whole) + '.';
        text += static_cast<char>('0' + hundredths / 10);
        text += static_cast<char>('0' + hundredths % 10);
        const std::string mismatch = Mismatch(text);
        ASSERT_EQ(mismatch, "");
      }
    }
  }
}

struct ValueRow {
  const char* text;
  Unit unit;
  ValueStatus status;
  float cell;  // the int16 cell, or the f32 value
};

constexpr Unit kM = Unit::kMetres, kDm = Unit::kTenths, kF32 = Unit::kFloat;
constexpr ValueStatus kOk = ValueStatus::kOk, kNaN = ValueStatus::kNotANumber,
                      kRange = ValueStatus::kOutOfRange;

const ValueRow kValueRows[] = {
    {"12.7", kDm, kOk, 126},        {"12.5", kM, kOk, 13},
    {"12.49", kM, kOk, 12},         {"-3.7", kM, kOk, -4},
    {"-3.7", kDm, kOk, -38},        {"0.49999997", kM, kOk, 1},
    {"3276.7", kDm, kOk, 32766},    {"3276.8", kDm, kRange, 0},
    {"-3276.7", kDm, kOk, -32767},  {"-3276.8", kDm, kRange, 0},
    {"32767.4", kM, kOk, 32767},    {"32767.5", kM, kRange, 0},
    {"-9999.", kM, kOk, -9999},     {"-9999.", kDm, kOk, -9999},
    {"-9999.00", kDm, kOk, -9999},  {"-9999", kF32, kOk, -9999},
    {"1.5E2", kM, kOk, 150},        {"1.5e2", kF32, kOk, 150},
    {"+7", kM, kOk, 7},             {"30.46", kF32, kOk, 30.46f},
    {"1E50", kF32, kRange, 0},      {"1E600", kM, kRange, 0},
    {"12abc", kM, kNaN, 0},         {"1e", kM, kNaN, 0},
    {"1e+", kF32, kNaN, 0},         {".", kM, kNaN, 0},
    {"-.", kM, kNaN, 0},            {"0.", kM, kOk, 0},
    {"-0", kF32, kOk, 0},           {"1.", kDm, kOk, 10},
    {"--1", kM, kNaN, 0},           {"", kDm, kNaN, 0},
    {"1 2", kM, kNaN, 0},           {" 12", kF32, kNaN, 0},
    {"12 ", kM, kNaN, 0},           {"-", kM, kNaN, 0},
    {"1.2.3", kF32, kNaN, 0},       {"\xe3\x81\x82", kM, kNaN, 0},
    {"0.05", kDm, kOk, 0},          {"-0.00", kF32, kOk, 0},
    {".5", kM, kOk, 1},             {"-12.30", kDm, kOk, -124},
    {"9999999999999999999", kF32, kOk, 1e19f},
    {"00000000000000000000012.7", kDm, kOk, 126},
    {"12345678901234567890", kDm, kRange, 0},
};

TEST(ElevationText, HandPickedTexts) {
  for (const ValueRow& row : kValueRows) {
    SCOPED_TRACE(std::string(row.text) + " unit " + std::to_string(static_cast<int>(row.unit)));
    int16_t cell = 4242;
    float single = 4242;
    const ValueStatus status = row.unit == kF32 ? ElevationFromText(row.text, &single)
                                                : ElevationFromText(row.text, row.unit, &cell);
    EXPECT_EQ(status, row.status);
    const float got = row.unit == kF32 ? single : cell;
    EXPECT_EQ(got, row.status == kOk ? row.cell : 4242);  // untouched on failure
  }
  // Leading zeros up to the longest text taken.
  int16_t cell = 0;
  EXPECT_EQ(ElevationFromText(std::string(kMaxValueText - 1, '0') + "7", kM, &cell), kOk);
  EXPECT_EQ(cell, 7);
  EXPECT_EQ(ElevationFromText(std::string(kMaxValueText, '0') + "7", kM, &cell), kNaN);
  char terminated[] = "12.7";
  EXPECT_EQ(ElevationFromTerminatedText(terminated, 4, kDm, &cell), kOk);
  EXPECT_EQ(cell, 126);
}

}  // namespace
}  // namespace tolvex::cli
