// The report of an unhandled error and the key wait, end to end through the
// frame: the console rows, the exit status, the error record, the message
// line, the break, the box on stderr and the stream front end's copy there.
#include "runtime/frame/error_report.h"

#include <unistd.h>

#include <algorithm>
#include <functional>

#include "runtime/core/error_codes.h"
#include "runtime/frame/frame.h"
#include "runtime/frame/message_box.h"
#include "runtime/frame/statement_hook.h"
#include "runtime/frontend/headless_window.h"
#include "runtime/frontend/stream_window.h"
#include "runtime/io/console_screen.h"
#include "runtime/io/key_queue.h"
#include "runtime/io/open_channel.h"
#include "runtime/text/string_stack.h"
#include "tests/support/hive_fixture.h"

namespace tolvex::testing {
namespace {

const core::ProgramRecord kTolvex{"Tolvex"};
const std::string kReport24 = "Tolvex [24行]:エラー[63]", kPressAnyKey = "任意のキーを押してください";
const std::string kFileNotFound = "ファイルが見つかりません";

// The headless window with a look-in at every wait for a key; the usual
// one types a key into an empty queue.
class ReportWindow : public frontend::HeadlessWindow {
 public:
  std::function<void(ReportWindow&)> on_wait = [](ReportWindow& w) {
    if (w.Waiting() == 0) w.Type("k");
  };
  int waits = 0;
  bool WaitMessage() override {
    ++waits;
    if (on_wait) on_wait(*this);
    return HeadlessWindow::WaitMessage();
  }
};

std::string g_missing_tile;

void Begin(int16_t statement) {
  core::RegisterCurrentModule(&kTolvex);
  frame::StatementHook();
  core::SetStatementNumber(statement);
}

// Statement 24 opens a tile that is not there.
void MissingTileRoutine() {
  Begin(24);
  text::PushConstText(text::ConstText(g_missing_tile));
  io::OpenChannel(1, 3, 1, 0, 0);
  frame::EndProgram(0);
}

class ErrorReportTest : public HiveTest {
 protected:
  void SetUp() override {
    HiveTest::SetUp();
    g_missing_tile = dir_ + "/no-such-tile.xml";
  }
  int Run(void (*routine)()) {
    frame::ResetRuntime();  // a run leaves the runtime marked as ending
    return frame::RunProgramIn(window_, "/usr/bin/tolvex", &kTolvex, routine);
  }
  static std::string Shown(int row) {
    std::string text = io::RowText(row);
    text.erase(text.find_last_not_of(' ') + 1);
    return Utf8(text);
  }
  ReportWindow window_;
};

// With the message library installed the message line follows the report
// line; an OSTREL one byte too long (248) is as good as no library.
TEST_F(ErrorReportTest, AMissingTileAtStatement24IsReportedRecordedAndWaitsForAKey) {
  for (bool message : {false, true}) {
    SCOPED_TRACE(message);
    SetLibraryDirectory(LibraryDirectory(message ? 0 : 248));
    window_ = ReportWindow{};
    EXPECT_EQ(Run(MissingTileRoutine), 1);
    EXPECT_EQ(Shown(0), "");
    EXPECT_EQ(Shown(1), kReport24);
    EXPECT_EQ(Shown(2), message ? kFileNotFound : kPressAnyKey);
    EXPECT_EQ(Shown(3), message ? kPressAnyKey : "");
    EXPECT_EQ(io::Screen().cursor_row, message ? 4 : 3);  // the key was taken: CR LF after it
    EXPECT_EQ(window_.waits, 1);
  }
  // The record: APIERR from the failed open, then the eight values in order.
  // Its TIME line, of the form below, shows as TIME.
  const std::string form = "\"TIME\"=\"0000/00/00 00:00:00\"\n";
  std::string record = ReadFile(user_hive_);
  const size_t at = std::min(record.find("\"TIME\"="), record.size());
  std::string time = record.substr(at, form.size());
  for (char& c : time) c = c >= '0' && c <= '9' ? '0' : c;  // the form has no other digits
  if (time == form) record.replace(at, form.size(), "TIME\n");
  EXPECT_EQ(record,
            "REGEDIT4\n\n"
            "[HKEY_CURRENT_USER\\Software\\Veltrane\\Ostrel V6.3\\RUNTIME\\ERROR]\n"
            "\"APIERR\"=dword:00000002\n"
            "\"MODL\"=\"Tolvex\"\n"
            "\"LINE\"=dword:00000018\n"
            "\"CODE\"=dword:0000003f\n"
            "\"FUNC\"=dword:00000020\n"
            "\"INFO\"=dword:00000008\n"
            "TIME\n"
            "\"MODE\"=\"独立型\"\n"
            "\"RTL\"=\"V6.30 L10 U002+1\"\n\n");
}

// Keys typed before the error are thrown away: the wait needs a new one.
// Errors raised while the report waits (and code 0) change nothing.
TEST_F(ErrorReportTest, TypedAheadKeysAreDroppedAndLaterRaisesChangeNothing) {
  window_.Type("abc");  // pumped into the key queue at the first hook
  window_.on_wait = [](ReportWindow& w) {
    EXPECT_EQ(io::KeyCount(), 0);
    core::RaiseError(core::kErrIllegalArgument, core::kLocFindTextStart);
    core::RaiseError(core::kErrNone, 0);
    w.Type("k");
  };
  EXPECT_EQ(Run(MissingTileRoutine), 1);
  EXPECT_EQ(window_.waits, 1);
  EXPECT_EQ(core::Errors().last_code, 63);
  EXPECT_EQ(core::Errors().statement, 24);
  EXPECT_EQ(core::Errors().module, &kTolvex);
  EXPECT_EQ(RecordNumber("CODE"), 63u);
  EXPECT_EQ(RecordNumber("INFO"), 8u);
}

TEST_F(ErrorReportTest, ClosingTheWindowDuringTheWaitEndsTheProgram) {
  window_.on_wait = [](ReportWindow& w) { w.RequestClose(); };
  EXPECT_EQ(Run(MissingTileRoutine), 1);
  EXPECT_EQ(Shown(2), kPressAnyKey);
  EXPECT_EQ(io::Screen().cursor_row, 2);  // no CR LF: the wait was cut off
}

// Error 98 is the break: the interrupted key wait, no record, exit status 0.
TEST_F(ErrorReportTest, TheBreakShowsTheInterruptedWaitAndWritesNoRecord) {
  EXPECT_EQ(Run([] {
              Begin(7);
              core::RaiseError(core::kErrBreak, 0);  // as a keyboard entry does
            }),
            0);
  EXPECT_EQ(Shown(1), "中断しました Tolvex[7行]");  // and a blank
  EXPECT_EQ(Shown(2), kPressAnyKey);
  EXPECT_FALSE(std::filesystem::exists(user_hive_));
}

// Without a module the name is empty; numbers print as unsigned 16-bit; the
// interrupted line keeps its closing blank.
TEST_F(ErrorReportTest, ReportLineWithoutAModuleAndTheInterruptedText) {
  EXPECT_EQ(Utf8(frame::FormatReportLine(nullptr, -1, -1)), "\r\n [65535行]:エラー[65535]");
  core::RegisterCurrentModule(&kTolvex);
  core::SetStatementNumber(12);
  EXPECT_EQ(Utf8(frame::KeyWaitText(true)), "\r\n中断しました Tolvex[12行] \r\n" + kPressAnyKey);
}

// Without a usable console the report and the wait go to the box on stderr;
// the record is written all the same.
TEST_F(ErrorReportTest, WithoutAConsoleTheBoxGoesToStandardError) {
  SetLibraryDirectory(LibraryDirectory());
  const std::string title = frame::MessageBoxTitle();
  EXPECT_EQ(title.substr(title.size() - 4), ".EXE");
  const struct Row {
    int16_t code;
    std::string expected;
  } rows[] = {{63, title + ":\n" + kReport24 + "\n" + kFileNotFound + "\n"},
              {4242, title + ":\nTolvex [24行]:エラー[4242]\n"}};
  for (const Row& row : rows) {
    ::testing::internal::CaptureStderr();
    frame::ErrorReport(&kTolvex, row.code, 24, core::kLocOpenFailed);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), row.expected);
    EXPECT_EQ(RecordNumber("CODE"), static_cast<uint32_t>(row.code));
  }
  ::testing::internal::CaptureStderr();
  frame::KeyWait(false);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), title + ":\n" + kPressAnyKey + "\n");
}

// Piped, the report and the message line also go to stderr, so a script
// that throws stdout away still sees why the run failed.
TEST_F(ErrorReportTest, TheStreamFrontEndAlsoSaysTheReportOnStandardError) {
  SetLibraryDirectory(LibraryDirectory());
  int in[2], out[2], err[2];
  ASSERT_EQ(pipe(in) | pipe(out) | pipe(err), 0);
  close(in[1]);  // no input: the key wait ends the run
  {
    frontend::StreamWindow window(in[0], out[1], err[1]);
    EXPECT_EQ(frame::RunProgramIn(window, "/usr/bin/tolvex", &kTolvex, MissingTileRoutine), 1);
  }
  char text[256] = {};
  EXPECT_GT(read(err[0], text, sizeof text - 1), 0);
  EXPECT_EQ(std::string(text), kReport24 + "\n" + kFileNotFound + "\n");
  for (int fd : {in[0], out[0], out[1], err[0], err[1]}) close(fd);
}

}  // namespace
}  // namespace tolvex::testing
