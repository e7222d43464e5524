// The error record: the eight values in their order and form, APIERR, the
// time format, and failures that change nothing.
#include "runtime/frame/error_record.h"

#include "runtime/frame/error_codes.h"
#include "tests/frame/hive_fixture.h"

namespace tolvex::testing {
namespace {

const frame::ProgramRecord kTolvex{"Tolvex"};

class ErrorRecordTest : public HiveTest {};

TEST_F(ErrorRecordTest, WritesTheEightValuesInOrderAfterAnEarlierApiError) {
  frame::RecordApiError(2);
  frame::WriteErrorRecord(&kTolvex, frame::kErrFileNotFound, 24, frame::kLocOpenFailed);
  std::string text = ReadFile(user_hive_);
  const std::string time_mark = "\"TIME\"=\"";
  size_t time_at = text.find(time_mark);
  ASSERT_NE(time_at, std::string::npos) << text;
  time_at += time_mark.size();
  EXPECT_TRUE(IsRecordTime(text.substr(time_at, 19))) << text;
  text.replace(time_at, 19, "T");
  EXPECT_EQ(text,
            "REGEDIT4\n\n"
            "[HKEY_CURRENT_USER\\Software\\Veltrane\\Ostrel V6.3\\RUNTIME\\ERROR]\n"
            "\"APIERR\"=dword:00000002\n"
            "\"MODL\"=\"Tolvex\"\n"
            "\"LINE\"=dword:00000018\n"
            "\"CODE\"=dword:0000003f\n"
            "\"FUNC\"=dword:00000020\n"
            "\"INFO\"=dword:00000008\n"
            "\"TIME\"=\"T\"\n"
            "\"MODE\"=\"\xE7\x8B\xAC\xE7\xAB\x8B\xE5\x9E\x8B\"\n"  // 独立型
            "\"RTL\"=\"V6.30 L10 U002+1\"\n\n");
}

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
      {1006, 32767, 0x4C04, 32767, 1006, 0x4C, 4},
  };
  for (const Row& row : rows) {
    frame::WriteErrorRecord(nullptr, row.code, row.statement, row.location);
    uint32_t line = 0, code = 0, func = 0, info = 0;
    const char* key = frame::kErrorRecordKey;
    ASSERT_TRUE(os::QueryRegistryNumber(os::RegistryRoot::kCurrentUser, key, "LINE", &line));
    ASSERT_TRUE(os::QueryRegistryNumber(os::RegistryRoot::kCurrentUser, key, "CODE", &code));
    ASSERT_TRUE(os::QueryRegistryNumber(os::RegistryRoot::kCurrentUser, key, "FUNC", &func));
    ASSERT_TRUE(os::QueryRegistryNumber(os::RegistryRoot::kCurrentUser, key, "INFO", &info));
    EXPECT_EQ(line, row.line);
    EXPECT_EQ(code, row.code_value);
    EXPECT_EQ(func, row.func);
    EXPECT_EQ(info, row.info);
    std::string module;
    EXPECT_TRUE(os::QueryRegistryString(os::RegistryRoot::kCurrentUser, key, "MODL", 10, &module));
    EXPECT_EQ(module, "");
  }
}

TEST_F(ErrorRecordTest, TimeIsYearMonthDayHourMinuteSecond) {
  EXPECT_EQ(frame::FormatRecordTime(2024, 3, 5, 14, 7, 9), "2024/03/05 14:07:09");
  EXPECT_EQ(frame::FormatRecordTime(999, 12, 31, 0, 0, 0), "999/12/31 00:00:00");
}

TEST_F(ErrorRecordTest, AnUnwritableHiveIsIgnored) {
  WriteFile(dir_ + "/file", "x");
  setenv(os::kUserHiveVariable, (dir_ + "/file/user.reg").c_str(), 1);
  frame::RecordApiError(2);
  frame::WriteErrorRecord(&kTolvex, 63, 24, 0x2008);
  frame::PrepareFaultRecord();
  frame::WriteFaultRecord("Tolvex", 24, 0, 11);
  EXPECT_EQ(ReadFile(dir_ + "/file"), "x");
}

}  // namespace
}  // namespace tolvex::testing
