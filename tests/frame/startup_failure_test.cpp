// The startup failure box: its table, the choice of message from a window
// creation status, and the box on stderr with its exit status.
#include "runtime/frame/startup_failure.h"

#include "runtime/frame/message_box.h"
#include "runtime/os/code_page.h"
#include "tests/support/runtime_test.h"

namespace tolvex::testing {
namespace {

class StartupFailureTest : public RuntimeTest {};

TEST_F(StartupFailureTest, EachNumberHasItsMessage) {
  const char* expected[] = {
      nullptr,
      "メモリが足りません",
      "システムに異常があります",
      "ウィンドウをオープンできません",
      "デバイスコンテキストを作成できません",
      "グラフィックビットマップを作成できません",
      "リソースが見つかりません",
      "フォームデータがありません",
      "メタファイルが作成できません",
  };
  for (int number = 1; number <= 8; ++number) {
    std::string utf8;
    ASSERT_TRUE(os::Cp932ToUtf8(frame::StartupFailureMessage(number), &utf8)) << number;
    EXPECT_EQ(utf8, expected[number]) << number;
  }
  EXPECT_EQ(frame::StartupFailureMessage(0), nullptr);
  EXPECT_EQ(frame::StartupFailureMessage(9), nullptr);
}

TEST_F(StartupFailureTest, TheBoxGoesToStandardErrorAndTheStatusIsOne) {
  const std::string title = frame::MessageBoxTitle();
  struct Row {
    int number;
    const char* text;
  } rows[] = {{3, "ウィンドウをオープンできません"}, {42, "システムに異常があります"}};
  for (const Row& row : rows) {
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(frame::ReportStartupFailure(row.number), 1);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), title + ": " + row.text + "\n");
  }
  // A text without a UTF-8 form goes out as it is.
  ::testing::internal::CaptureStderr();
  frame::ShowMessageBox("T.EXE", "a\r\nb\x81");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "T.EXE: a\nb\x81\n");
}

}  // namespace
}  // namespace tolvex::testing
