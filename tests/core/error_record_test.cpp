// The error record's number forms and its time format; the whole record, in
// its order, is checked end to end with the error report.
#include "runtime/core/error_record.h"

#include "tests/support/hive_fixture.h"

namespace tolvex::testing {
namespace {

using ErrorRecordTest = HiveTest;

// Statement and code go out as unsigned 16-bit numbers; the location splits
// into FUNC (high byte) and INFO (low byte); a second record overwrites.
TEST_F(ErrorRecordTest, NumbersAreUnsigned16BitAndOverwriteTheLastRecord) {
  struct Row {
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

// A section that collected many copies of a value line (a hand edit, an
// old writer) is rewritten with one line each, and the record still lands.
TEST_F(ErrorRecordTest, DuplicateValueLinesCollapseAndTheRecordStillLands) {
  std::string hive =
      std::string("REGEDIT4\n\n[HKEY_CURRENT_USER\\") + core::kErrorRecordKey + "]\n";
  for (int copy = 0; copy < 20; ++copy) hive += "\"TIME\"=\"\"\n\"Code\"=dword:00000000\n";
  WriteFile(user_hive_, hive);
  core::WriteErrorRecord(nullptr, 63, 24, 0x2008);
  EXPECT_EQ(RecordNumber("CODE"), 63u);
  const std::string text = ReadFile(user_hive_);
  for (const char* name : {"\"TIME\"=", "\"CODE\"=", "\"Code\"="})
    EXPECT_EQ(text.find(name), text.rfind(name)) << name << " in\n" << text;
}

TEST_F(ErrorRecordTest, TimeIsYearMonthDayHourMinuteSecond) {
  EXPECT_EQ(core::FormatRecordTime(2024, 3, 5, 14, 7, 9), "2024/03/05 14:07:09");
  EXPECT_EQ(core::FormatRecordTime(999, 12, 31, 0, 0, 0), "999/12/31 00:00:00");
}

TEST_F(ErrorRecordTest, AnUnwritableHiveIsIgnored) {
  WriteFile(dir_ + "/file", "x");
  setenv(os::kUserHiveVariable, (dir_ + "/file/user.reg").c_str(), 1);
  core::RecordApiError(2);
  core::WriteErrorRecord(nullptr, 63, 24, 0x2008);
  core::PrepareFaultRecord();
  core::WriteFaultRecord("Tolvex", 24, 0, 11);
  EXPECT_EQ(ReadFile(dir_ + "/file"), "x");
}

}  // namespace
}  // namespace tolvex::testing
