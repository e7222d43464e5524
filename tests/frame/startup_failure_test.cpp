// The startup failure box: each failure number picks a message of its own,
// shown on stderr, and the start ends with exit status 1.
#include "runtime/frame/startup_failure.h"

#include <set>

#include "runtime/frame/message_box.h"
#include "runtime/os/code_page.h"
#include "tests/support/runtime_test.h"

namespace tolvex::testing {
namespace {

class StartupFailureTest : public RuntimeTest {};

TEST_F(StartupFailureTest, EachNumberShowsItsOwnMessageAndTheStatusIsOne) {
  const std::string title = frame::MessageBoxTitle();
  std::set<std::string> boxes;
  for (int number = 0; number <= 9; ++number) {
    const char* message = frame::StartupFailureMessage(number);
    EXPECT_EQ(message == nullptr, number == 0 || number == 9) << number;
    // A number outside the table shows the "system abnormal" message.
    std::string utf8;
    EXPECT_TRUE(os::Cp932ToUtf8(message ? message : frame::StartupFailureMessage(2), &utf8));
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(frame::ReportStartupFailure(number), 1);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), title + ": " + utf8 + "\n") << number;
    if (message != nullptr) boxes.insert(utf8);
  }
  EXPECT_EQ(boxes.size(), 8u) << "a message shown for two numbers";
  // The worked example of the header, and a text without a UTF-8 form, which
  // goes out as it is.
  ::testing::internal::CaptureStderr();
  frame::ReportStartupFailure(frame::kStartupNoWindow);
  frame::ShowMessageBox("T.EXE", "a\r\nb\x81");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            title + ": ウィンドウをオープンできません\nT.EXE: a\nb\x81\n");
}

}  // namespace
}  // namespace tolvex::testing
