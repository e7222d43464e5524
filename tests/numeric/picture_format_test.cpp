// Picture formatting: the format_picture vectors through the string stack,
// the digit generation, the picture scanner, and the formatter's errors.
#include "runtime/numeric/picture_format.h"

#include <string>

#include "runtime/core/error_codes.h"
#include "runtime/numeric/float_unit.h"
#include "runtime/numeric/general_number.h"
#include "runtime/os/memory.h"
#include "runtime/text/string_stack.h"
#include "tests/support/runtime_test.h"
#include "tests/support/vectors.h"

namespace tolvex::numeric {
namespace {

using testing::Escaped;
using testing::ExtendedBits;
using testing::ParseVectorNumber;
using testing::Raises;
using testing::ReadVectors;
using PictureFormatTest = testing::RuntimeTest;

// The routine's way: compute the number, push the picture, format, pop.
std::string Format(const std::string& picture, long double value) {
  text::PushConstText(text::ConstText(picture));
  FormatPicture(Extended(value));
  const text::StringValue result = text::PopText();
  std::string bytes = text::Bytes(result);
  text::ReleaseText(result);
  return bytes;
}

TEST_F(PictureFormatTest, FormatPictureVectors) {
  for (const auto& row : ReadVectors("format_picture.tsv", 3)) {
    const std::string& picture = row.fields[0];
    const long double value = ParseVectorNumber(row.fields[1]);
    const std::string& expected = row.fields[2];
    SCOPED_TRACE("line " + std::to_string(row.line) + ": <" + Escaped(picture) + "> with " +
                 ExtendedBits(value));
    if (expected == "error5" || expected == "error13") {
      const int16_t code = expected == "error5" ? core::kErrIllegalArgument
                                                : core::kErrTypeMismatch;
      EXPECT_TRUE(Raises([&] { Format(picture, value); }, code, core::kLocPictureField));
      EXPECT_EQ(text::StackDepth(), 0);
      continue;
    }
    EXPECT_EQ(Escaped(Format(picture, value)), Escaped(expected));
    EXPECT_EQ(text::StackDepth(), 0);
  }
}

TEST_F(PictureFormatTest, DecomposeScalesWithTheTables) {
  struct Case {
    long double value;
    int16_t exponent;
    const char* digits;  // the first 16 digits of the scaled expansion
  };
  const Case cases[] = {
      {999.5L, 2, "9994999999999999"},  // the division by 10^2 rounds down
      {139.50005555555555, 2, "1395000555555555"},
      {0.1, -1, "1000000000000000"},
      {1.0L, 0, "1000000000000000"},
      {1.5L, 0, "1500000000000000"},
      {9.5L, 0, "9500000000000000"},
      {0x1p-1074, -324, "4940656458412465"},
      {0x1.fffffffffffffp+1023, 308, "1797693134862315"},
  };
  for (const Case& c : cases) {
    const Decimal decimal = DecomposeDecimal(Extended(c.value));
    EXPECT_EQ(decimal.kind, kDecimalNormal) << ExtendedBits(c.value);
    EXPECT_EQ(decimal.exponent, c.exponent) << ExtendedBits(c.value);
    FixedPoint fixed = decimal.fixed;
    std::string digits(1, static_cast<char>('0' + fixed.high));
    for (int i = 1; i < 16; ++i) {
      const unsigned __int128 next = static_cast<unsigned __int128>(fixed.low) * 10u;
      fixed.low = static_cast<uint64_t>(next);
      digits += static_cast<char>('0' + static_cast<int>(next >> 64));
    }
    EXPECT_EQ(digits, c.digits) << ExtendedBits(c.value);
  }
  const Decimal minus_zero = DecomposeDecimal(Extended(-0.0L));
  EXPECT_EQ(minus_zero.kind, kDecimalZero);
  EXPECT_FALSE(minus_zero.negative);
}

TEST_F(PictureFormatTest, RoundDigitsHalfUpOnTheGeneratedDigits) {
  struct Case {
    long double value;
    int requested;
    const char* digits;
    RoundCarry carry;
  };
  const Case cases[] = {
      {139.50005555555555, 13, "1395000555556", kCarryNone},
      {9.9995L, 4, "1", kCarryOne},
      {9.9994L, 4, "9999", kCarryNone},
      {1.2L, 5, "12", kCarryNone},  // trailing zeros go
      {4.0L, 0, "", kRoundedToZero},
      {5.0L, 0, "1", kCarryOne},
      {5.0L, -1, "", kRoundedToZero},
      {1.0L, 1, "1", kCarryNone},
      // More than the buffer holds: served as 18 digits, rounded at the 19th.
      {1.0L / 3.0L, 40, "333333333333333333", kCarryNone},
      {2.0L / 3.0L, 19, "666666666666666667", kCarryNone},
  };
  for (const Case& c : cases) {
    const Decimal decimal = DecomposeDecimal(Extended(c.value));
    const Digits digits = RoundDigits(decimal.fixed, c.requested);
    EXPECT_STREQ(digits.text, c.digits) << ExtendedBits(c.value) << " n=" << c.requested;
    EXPECT_EQ(digits.length, static_cast<int>(std::string(c.digits).size()));
    EXPECT_EQ(digits.carry, c.carry) << ExtendedBits(c.value) << " n=" << c.requested;
  }
}

TEST_F(PictureFormatTest, ScanPictureFieldReadsTheLanguage) {
  struct Case {
    const char* picture;
    const char* prefix;
    int16_t integer, fraction;
    bool fill, currency, separators, point;
    SignMode sign_mode;
    ExponentMode exponent_mode;
    const char* rest;
  };
  constexpr SignMode kFront = SignMode::kMinusInFront, kPlus = SignMode::kLeadingPlus,
                     kBlank = SignMode::kBlankOrMinus, kAfterPlus = SignMode::kTrailingPlus,
                     kAfterMinus = SignMode::kTrailingMinus;
  constexpr ExponentMode kFixed = ExponentMode::kFixed, kTwo = ExponentMode::kTwoDigits,
                         kThree = ExponentMode::kThreeDigits;
  const Case cases[] = {
      {"####.##########", "", 4, 10, false, false, false, true, kFront, kFixed, ""},
      {"**#,###.##-x", "", 7, 2, true, false, true, true, kAfterMinus, kFixed, "x"},
      {"a+##+", "a", 3, 0, false, false, false, false, kPlus, kFixed, "+"},
      {"\\\\#.#+", "", 3, 1, false, true, false, true, kAfterPlus, kFixed, ""},
      {"+.##^^^^", "", 1, 2, false, false, false, true, kPlus, kTwo, ""},
      {".#^^^^^-", "", 1, 1, false, false, false, true, kBlank, kThree, "-"},
      {"#.#.#", "", 1, 3, false, false, false, true, kFront, kFixed, ""},
      {"+*x+.#", "+*x", 1, 1, false, false, false, true, kPlus, kFixed, ""},
  };
  for (const Case& c : cases) {
    const std::string picture = c.picture;
    PictureCursor cursor{reinterpret_cast<const uint8_t*>(picture.data()),
                         static_cast<uint32_t>(picture.size())};
    uint8_t buffer[64];
    PictureText prefix(buffer, sizeof buffer);
    CopyPictureLiteral(&cursor, &prefix);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer), prefix.length()), c.prefix)
        << c.picture;
    const PictureField field = ScanPictureField(&cursor);
    EXPECT_EQ(field.integer_positions, c.integer) << c.picture;
    EXPECT_EQ(field.fraction_positions, c.fraction) << c.picture;
    EXPECT_EQ(field.fill, c.fill) << c.picture;
    EXPECT_EQ(field.currency, c.currency) << c.picture;
    EXPECT_EQ(field.separators, c.separators) << c.picture;
    EXPECT_EQ(field.point, c.point) << c.picture;
    EXPECT_EQ(field.sign_mode, c.sign_mode) << c.picture;
    EXPECT_EQ(field.exponent_mode, c.exponent_mode) << c.picture;
    EXPECT_EQ(picture.substr(cursor.position), c.rest) << c.picture;
  }
}

TEST_F(PictureFormatTest, OutputNeverPassesItsBuffer) {
  uint8_t buffer[4] = {0, 0, 0, 0xEE};
  PictureText out(buffer, 3);
  GeneralNumberText(Extended(-123456.0L), SignMode::kBlankOrMinus, &out);
  EXPECT_EQ(out.length(), 3u);
  EXPECT_EQ(buffer[3], 0xEE);
}

TEST_F(PictureFormatTest, TheValueIsRoundedToDoubleQuietly) {
  // 1 + 2^-60 is 1 as a double; a value beyond double range shows as INF.
  EXPECT_EQ(Format("#.####################", 1.0L + 0x1p-60L), "1.00000000000000000000");
  EXPECT_EQ(Format("#", 1e400L), "% INF");
  EXPECT_EQ(ReadFloatStatus() & kStatusReported, 0);
  // Pending flags of the caller's own steps are not the formatter's to clear.
  (void)(Extended(1.0L) / Extended(0.0L));
  Format("#", 1.0L);
  EXPECT_TRUE(Raises([] { CheckFloat(); }, core::kErrDivisionByZero, core::kLocFloatZeroDivide));
}

TEST_F(PictureFormatTest, PictureOperandAndMemoryFailures) {
  // A variable's picture is read, not released.
  text::StringValue picture{};
  text::PushConstText(text::ConstText("##.#"));
  text::AssignText(&picture);
  text::PushVarText(&picture);
  FormatPicture(Extended(2.25L));
  const text::StringValue result = text::PopText();
  EXPECT_EQ(text::Bytes(result), " 2.3");
  text::ReleaseText(result);
  EXPECT_EQ(text::Bytes(picture), "##.#");

  struct Case {
    const char* picture;
    int successes;  // allocations that still succeed
    uint32_t location;
  };
  const Case cases[] = {{"", 0, core::kLocPictureEmptyCopy},
                        {"##", 0, core::kLocPictureCopy},
                        {"##", 1, core::kLocPictureOutput}};
  for (const Case& c : cases) {
    text::PushConstText(text::ConstText(c.picture));
    os::FailAllocationsAfter(c.successes);
    EXPECT_TRUE(Raises([] { FormatPicture(Extended(1.0L)); }, core::kErrOutOfMemory,
                       c.location))
        << c.picture << " " << c.successes;
    os::FailAllocationsAfter(-1);
    EXPECT_EQ(text::StackDepth(), 0);
  }
}

}  // namespace
}  // namespace tolvex::numeric
