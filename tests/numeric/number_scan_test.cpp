// Numbers read from text: the ValueOfText and ConvertField vectors, the
// scanner's own results, and ValueOfText on the string stack.
#include "runtime/numeric/convert_kind.h"
#include "runtime/numeric/number_scan.h"
#include "runtime/numeric/value_of_text.h"

#include <cfloat>
#include <map>
#include <random>
#include <string>

#include "runtime/core/error_codes.h"
#include "runtime/numeric/float_unit.h"
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
using NumberScanTest = testing::RuntimeTest;

std::string KindName(NumberKind kind) {
  const std::map<NumberKind, std::string> names = {
      {kKindInt16, "int16"}, {kKindInt32, "int32"}, {kKindSingle, "single"},
      {kKindDouble, "double"}};
  return names.contains(kind) ? names.at(kind) : "kind " + std::to_string(kind);
}

KindValue ValueOf(const std::string& text) {
  return ValueOfBytes(reinterpret_cast<const uint8_t*>(text.data()),
                      static_cast<uint32_t>(text.size()));
}

TEST_F(NumberScanTest, ValueOfTextVectors) {
  for (const auto& row : ReadVectors("value_of_text.tsv", 3)) {
    const std::string& text = row.fields[0];
    const std::string& kind = row.fields[1];
    SCOPED_TRACE("line " + std::to_string(row.line) + ": <" + Escaped(text) + ">");
    if (kind == "error6") {
      EXPECT_TRUE(Raises([&] { ValueOf(text); }, core::kErrOverflow, core::kLocValueOfText));
      continue;
    }
    const KindValue got = ValueOf(text);
    EXPECT_EQ(KindName(got.kind), kind);
    const long double expected = ParseVectorNumber(row.fields[2]);
    EXPECT_EQ(ExtendedBits(got.value.native()), ExtendedBits(expected));
    EXPECT_EQ(ReadFloatStatus() & kStatusReported, 0) << "flags left behind";
  }
}

TEST_F(NumberScanTest, ConvertFieldVectors) {
  for (const auto& row : ReadVectors("convert_field.tsv", 3)) {
    const auto type = static_cast<uint32_t>(std::stoul(row.fields[0]));
    const std::string& field = row.fields[1];
    SCOPED_TRACE("line " + std::to_string(row.line) + ": type " + row.fields[0] + " <" +
                 Escaped(field) + ">");
    Extended value(12345.0L);
    const bool ok = ConvertField(field.c_str(), type, &value);
    if (row.fields[2] == "fail") {
      EXPECT_FALSE(ok);
      EXPECT_EQ(value.native(), 12345.0L) << "a failure produces nothing";
    } else {
      EXPECT_TRUE(ok);
      EXPECT_EQ(ExtendedBits(value.native()), ExtendedBits(ParseVectorNumber(row.fields[2])));
    }
    EXPECT_EQ(ReadFloatStatus() & kStatusReported, 0) << "flags left behind";
  }
}

TEST_F(NumberScanTest, ScanNumberReportsClassAndEnd) {
  struct Case { const char* text; ScanStatus status; uint8_t precision; int end; };
  // Leading zeros don't count towards the size, trailing ones do; blanks are
  // skipped, but one before the letter ends the number; an exponent of ten
  // significant digits is out of range, not wrapped.
  const Case cases[] = {
      {"139.7125", kScanOk, kClassSingleSized, 8},   {"1234567", kScanOk, kClassSingleSized, 7},
      {"12345678", kScanOk, kClassDoubleSized, 8},   {"0.0000001", kScanOk, kClassSingleSized, 9},
      {"10000000", kScanOk, kClassDoubleSized, 8},   {"1.5e3x", kScanOk, kClassSingle, 5},
      {"1.5D-3!", kScanOk, kClassDouble, 6},         {"12EA", kScanOk, kClassSingle, 3},
      {"12 E3", kScanOk, kClassSingleSized, 3},      {"1 2 3%", kScanOk, kClassSingleSized, 5},
      {"-", kScanNotANumber, 0, 1},                  {"+x", kScanNotANumber, 0, 1},
      {"", kScanNotANumber, 0, 0},                   {"1E512", kScanOutOfRange, 0, 5},
      {"1E-512", kScanOutOfRange, 0, 6},             {"1E511", kScanOk, kClassSingle, 5},
      {"0.001E-510", kScanOutOfRange, 0, 10},        {"-0.000E-999", kScanOk, kClassSingle, 11},
      {"1E4294967297", kScanOutOfRange, 0, 12},      {"1E999999999", kScanOutOfRange, 0, 11},
      {"1E-0000000000005", kScanOk, kClassSingle, 16},
  };
  for (const Case& c : cases) {
    const ScanResult result = ScanNumber(c.text);
    EXPECT_EQ(result.status, c.status) << c.text;
    if (c.status == kScanOk) {
      EXPECT_EQ(result.precision, c.precision) << c.text;
    }
    EXPECT_EQ(result.end - c.text, c.end) << c.text;
  }
}

TEST_F(NumberScanTest, ScanNumberBoundaries) {
  // 28 digits are accumulated; later integer digits only scale, later
  // fraction digits are dropped.
  const std::string thirty = "123456789012345678901234567890";
  EXPECT_EQ(ScanNumber(thirty.c_str()).value.native(),
            ScanNumber("1234567890123456789012345678E2").value.native());
  EXPECT_EQ(ScanNumber("1.2345678901234567890123456789999").value.native(),
            ScanNumber("1.234567890123456789012345678").value.native());
  // Exact up to 19 digits.
  EXPECT_EQ(ScanNumber("9223372036854775807").value.native(), 9223372036854775807.0L);
  EXPECT_EQ(ScanNumber("18446744073709551615").value.significand(), ~0ull);
  // Zero is +0 whatever its sign and exponent.
  EXPECT_FALSE(ScanNumber("-0.000E-999").value.negative());
  // The largest and smallest magnitudes within the 512 limit: every table
  // entry once, each product rounded to 64 bits (worked out exactly).
  EXPECT_EQ(ExtendedBits(ScanNumber("1E511").value.native()),
            ExtendedBits(0xB5AE1A2551A54169p+1634L));
  EXPECT_EQ(ExtendedBits(ScanNumber("1E-511").value.native()),
            ExtendedBits(0xB45C69BF91ECC7B1p-1761L));
}

// A blank after a number sends it through the general scan (the plain
// decimal reading takes only texts that end after their digits): both
// readings must agree on everything but the end, where the general scan
// steps over the blank to the terminator.
TEST_F(NumberScanTest, PlainDecimalsReadAsTheGeneralScanReadsThem) {
  const std::string cases[] = {
      "0", "-0", "+0", ".", "-.", "0.", ".5", "-.5", "00012.3400", "0.000", "1234567",
      "12345678", "1234567.0", "-9999.", "9223372036854775807", "9999999999999999999",
      "10000000000000000000", "0.0000000000000000000123", "1000000000000000000",
      "0." + std::string(600, '0') + "1", "0." + std::string(510, '0') + "1",
      "1" + std::string(520, '0'), "", "-", "+", "1.2.3", "1-", "12E3", "-0.0010010",
      "1010101010101010101.01", "12345678901234567890123456789.5", "-.000000000000000000001",
      // Eight bytes at once: the bytes beside the digits end the number.
      "123:45678", "123/45678", "1.234567", "1234567.", ".1234567", "12345678.5", "1.2345678"};
  for (const std::string& text : cases) {
    SCOPED_TRACE("<" + text + ">");
    const std::string padded = text + " ";
    const ScannedDigits plain = ScanDigits(text.c_str());
    const ScannedDigits general = ScanDigits(padded.c_str());
    EXPECT_EQ(plain.status, general.status);
    EXPECT_EQ(plain.precision, general.precision);
    const long general_end = general.end - padded.c_str();
    EXPECT_EQ(plain.end - text.c_str(),
              general_end - (general_end == static_cast<long>(padded.size()) ? 1 : 0));
    if (plain.status != kScanOk) continue;
    EXPECT_EQ(plain.negative, general.negative);
    EXPECT_EQ(plain.high, general.high);
    EXPECT_EQ(plain.low, general.low);
    // A zero's exponent is no part of its value.
    const auto exponent = [](const ScannedDigits& d) { return d.low | d.high ? d.exponent : 0; };
    EXPECT_EQ(exponent(plain), exponent(general));
  }
}

TEST_F(NumberScanTest, ConversionsLeavePendingFlagsAlone) {
  // An overflow pending before a failed conversion is still there after it;
  // the one the conversion raised itself is taken back.
  (void)(Extended(LDBL_MAX) * Extended(LDBL_MAX));
  Extended value(0.0L);
  EXPECT_FALSE(ConvertField("1E39", 2, &value));
  EXPECT_TRUE(Raises([] { CheckFloat(); }, core::kErrOverflow, core::kLocFloatOverflow));
  EXPECT_FALSE(ConvertField("1E39", 2, &value));
  EXPECT_FALSE(ConvertField("1D309", 3, &value));
  CheckFloat();
  // Just below the overflow of either store: the value is kept, nothing raised.
  EXPECT_TRUE(ConvertField("3.4028235E38", 2, &value));
  EXPECT_EQ(value.native(), FLT_MAX);
  EXPECT_TRUE(ConvertField("1.7976931348623157D308", 3, &value));
  EXPECT_EQ(value.native(), DBL_MAX);
  CheckFloat();
}

TEST_F(NumberScanTest, ValueOfTextTakesItsOperandFromTheStack) {
  text::PushConstText(text::ConstText("139.7125"));
  EXPECT_EQ(ValueOfText().native(), static_cast<long double>(139.7125f));
  EXPECT_EQ(text::StackDepth(), 0);

  text::StringValue variable{};
  text::PushConstText(text::ConstText("35.41666667"));
  text::AssignText(&variable);
  text::PushVarText(&variable);
  EXPECT_EQ(ValueOfText().native(), static_cast<long double>(35.41666667));
  EXPECT_EQ(text::Bytes(variable), "35.41666667") << "a variable is not released";

  text::PushConstText(text::ConstText("1E50"));
  EXPECT_TRUE(Raises([] { ValueOfText(); }, core::kErrOverflow, core::kLocValueOfText));
  EXPECT_EQ(text::StackDepth(), 0);
}

TEST_F(NumberScanTest, ValueOfTextLongTextNeedsTheScratchArea) {
  std::string text(600, '0');
  text += "12";
  text::PushConstText(text::ConstText(text));
  os::FailAllocationsAfter(0);
  EXPECT_TRUE(Raises([] { ValueOfText(); }, core::kErrOutOfMemory, core::kLocScratchBuffer));
  os::FailAllocationsAfter(-1);
  text::PushConstText(text::ConstText(text));
  EXPECT_EQ(ValueOfText().native(), 12.0L);
}

// The radix steps run on the x87 unit; they must round exactly as double
// arithmetic does, up to and past the overflow, which CheckFloat then sees.
TEST_F(NumberScanTest, RadixStepsRoundAsDoubles) {
  std::mt19937_64 random(65535);
  const char* const kHex = "0123456789ABCDEF";
  for (int n = 0; n < 300; ++n) {
    const int radix = n % 2 == 0 ? 16 : 8;
    const auto count = static_cast<size_t>(1 + random() % 400);
    std::string text(1, radix == 16 ? 'H' : 'O');
    volatile double expected = 0.0;  // the double unit's own steps
    for (size_t i = 0; i < count; ++i) {
      const auto digit = static_cast<int>(random() % static_cast<unsigned>(radix));
      text += kHex[digit];
      expected = expected * radix + digit;
    }
    const double got = ScanRadixNumber(text.c_str(), static_cast<uint32_t>(text.size())).ToDouble();
    ASSERT_EQ(got, expected) << text;
    ClearFloatStatus();
  }
  // The length bounds the digits, not a terminator.
  EXPECT_EQ(ScanRadixNumber("H12345", 3).native(), 0x12);
  (void)ScanRadixNumber(("H" + std::string(300, 'F')).c_str(), 301);
  EXPECT_TRUE(Raises([] { CheckFloat(); }, core::kErrOverflow, core::kLocFloatOverflow));
}

}  // namespace
}  // namespace tolvex::numeric
