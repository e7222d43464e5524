// The error record's number forms and its time format. The whole record, in
// its order, is checked end to end with the error report; hives that cannot
// be written and repeated value lines, with the registry store.
#include "runtime/core/error_record.h"

#include "tests/support/hive_fixture.h"

namespace tolvex::testing {
namespace {

using ErrorRecordTest = HiveTest;

// Statement and code go out as unsigned 16-bit numbers; the location splits
// into FUNC (high byte) and INFO (low byte); a second record overwrites.
TEST_F(ErrorRecordTest, NumbersAreUnsigned16BitAndOverwriteTheLastRecord) {
  const struct Row {
    int16_t code, statement;
    uint32_t location;
    uint32_t line, code_value, func, info;
  } rows[] = {
      {5, 33, 0x9801, 33, 5, 0x98, 1},
      {-1, -2, 0x0000, 65534, 65535, 0, 0},
      {1006, 32767, 0x4CF4, 32767, 1006, 0x4C, 0xF4},
  };
  for (const Row& row : rows) {
    core::WriteErrorRecord(nullptr, row.code, row.statement, row.location);
    EXPECT_EQ(RecordNumber("LINE"), row.line);
    EXPECT_EQ(RecordNumber("CODE"), row.code_value);
    EXPECT_EQ(RecordNumber("FUNC"), row.func);
    EXPECT_EQ(RecordNumber("INFO"), row.info);
    EXPECT_EQ(RecordText("MODL"), "");
  }
}

TEST_F(ErrorRecordTest, TimeIsYearMonthDayHourMinuteSecond) {
  EXPECT_EQ(core::FormatRecordTime(2024, 3, 5, 14, 7, 9), "2024/03/05 14:07:09");
  EXPECT_EQ(core::FormatRecordTime(999, 12, 31, 0, 0, 0), "999/12/31 00:00:00");
}

}  // namespace
}  // namespace tolvex::testing
