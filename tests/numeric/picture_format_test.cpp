// Picture formatting: the format_picture vectors through the string stack
// (the picture language among them), the digit generation, and the
// formatter's errors.
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

// The value scaled into [1, 10) by the tables, then its digits rounded half
// up at the requested count n.
TEST_F(PictureFormatTest, DecomposedDigitsRoundHalfUp) {
  struct Case { long double value; int16_t exponent; int n; const char* digits; RoundCarry carry; };
  const Case cases[] = {
      {999.5L, 2, 3, "999", kCarryNone},  // the division by 10^2 rounds down
      {139.50005555555555, 2, 13, "1395000555556", kCarryNone},
      {0.1, -1, 18, "100000000000000006", kCarryNone},
      {1.5L, 0, 18, "15", kCarryNone},  // trailing zeros go
      {9.5L, 0, 1, "1", kCarryOne},
      {0x1p-1074, -324, 16, "4940656458412465", kCarryNone},
      {0x1.fffffffffffffp+1023, 308, 16, "1797693134862316", kCarryNone},
      {9.9995L, 0, 4, "1", kCarryOne},
      {9.9994L, 0, 4, "9999", kCarryNone},
      {4.0L, 0, 0, "", kRoundedToZero},
      {5.0L, 0, 0, "1", kCarryOne},
      {5.0L, 0, -1, "", kRoundedToZero},
      {1.0L, 0, 1, "1", kCarryNone},
      // More than the buffer holds: served as 18 digits, rounded at the 19th.
      {1.0L / 3.0L, -1, 40, "333333333333333333", kCarryNone},
      {2.0L / 3.0L, -1, 19, "666666666666666667", kCarryNone},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ExtendedBits(c.value) + " n=" + std::to_string(c.n));
    const Decimal decimal = DecomposeDecimal(Extended(c.value));
    EXPECT_EQ(decimal.kind, kDecimalNormal);
    EXPECT_EQ(decimal.exponent, c.exponent);
    const Digits digits = RoundDigits(decimal.fixed, c.n);
    EXPECT_STREQ(digits.text, c.digits);
    EXPECT_EQ(digits.length, static_cast<int>(std::string(c.digits).size()));
    EXPECT_EQ(digits.carry, c.carry);
  }
  const Decimal minus_zero = DecomposeDecimal(Extended(-0.0L));
  EXPECT_EQ(minus_zero.kind, kDecimalZero);
  EXPECT_FALSE(minus_zero.negative);
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
