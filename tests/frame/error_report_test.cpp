// The report of an unhandled error and the key wait, end to end through the
// frame with the headless window: the console rows, the exit status, the
// error record, the message line, the break, and the box form on stderr;
// and the copy on stderr that the stream front end makes.
#include "runtime/frame/error_report.h"

#include <unistd.h>

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
#include "runtime/os/code_page.h"
#include "runtime/text/string_stack.h"
#include "tests/support/hive_fixture.h"

namespace tolvex::testing {
namespace {

const core::ProgramRecord kTolvex{"Tolvex"};
// "Tolvex [24行]:エラー[63]"
const std::string kReport24 = "Tolvex [24\x8D\x73]:\x83\x47\x83\x89\x81\x5B[63]";
// "任意のキーを押してください"
const std::string kPressAnyKey =
    "\x94\x43\x88\xD3\x82\xCC\x83\x4C\x81\x5B\x82\xF0\x89\x9F\x82\xB5\x82\xC4\x82\xAD\x82\xBE"
    "\x82\xB3\x82\xA2";
// "中断しました"
const std::string kInterrupted = "\x92\x86\x92\x66\x82\xB5\x82\xDC\x82\xB5\x82\xBD";
// "ファイルが見つかりません"
const std::string kFileNotFound =
    "\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xAA\x8C\xA9\x82\xC2\x82\xA9\x82\xE8\x82\xDC\x82\xB9"
    "\x82\xF1";

// The headless window with a look-in at every wait for a key.
class ReportWindow : public frontend::HeadlessWindow {
 public:
  std::function<void(ReportWindow&)> on_wait;
  int waits = 0;
  bool WaitMessage() override {
    ++waits;
    if (on_wait) on_wait(*this);
    return HeadlessWindow::WaitMessage();
  }
};

// The usual wait: one key typed into an empty queue.
void TypeAKey(ReportWindow& w) {
  if (w.Waiting() == 0) w.Type("k");
}

std::string g_missing_tile;

void Begin(int16_t statement) {
  core::RegisterCurrentModule(&kTolvex);
  frame::StatementHook();
  core::SetStatementNumber(statement);
}

// The routine of the issue: statement 24 opens a tile that is not there.
void MissingTileRoutine() {
  Begin(24);
  text::PushConstText(text::ConstText(g_missing_tile));
  io::OpenChannel(1, 3, 1, 0, 0);
  frame::EndProgram(0);
}

// Statement 7 raises the break, as a keyboard entry does.
void BreakRoutine() {
  Begin(7);
  core::RaiseError(core::kErrBreak, 0);
  frame::EndProgram(0);
}

std::string Shown(int row) {
  std::string text = io::RowText(row);
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

class ErrorReportTest : public HiveTest {
 protected:
  void SetUp() override {
    HiveTest::SetUp();
    frame::ResetFrame();
    g_missing_tile = dir_ + "/no-such-tile.xml";
  }
  void TearDown() override {
    frame::ResetFrame();
    HiveTest::TearDown();
  }
  int Run(void (*routine)()) { return frame::RunProgramIn(window_, "/usr/bin/tolvex", &kTolvex, routine); }
  ReportWindow window_;
};

TEST_F(ErrorReportTest, AMissingTileAtStatement24IsReportedRecordedAndWaitsForAKey) {
  window_.on_wait = TypeAKey;
  EXPECT_EQ(Run(MissingTileRoutine), 1);
  EXPECT_EQ(Shown(0), "");
  EXPECT_EQ(Shown(1), kReport24);
  EXPECT_EQ(Shown(2), kPressAnyKey);
  EXPECT_EQ(io::Screen().cursor_row, 3);  // the key was taken: CR LF after it
  EXPECT_EQ(window_.waits, 1);
  // The record: APIERR from the failed open, then the eight values in order.
  std::string hive = ReadFile(user_hive_);
  size_t time_at = hive.find("\"TIME\"=\"");
  ASSERT_NE(time_at, std::string::npos) << hive;
  EXPECT_TRUE(IsRecordTime(hive.substr(time_at + 8, 19))) << hive;
  hive.replace(time_at + 8, 19, "T");
  EXPECT_EQ(hive,
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

// With the message library installed the message line follows the report
// line; an OSTREL one byte too long (248) is as good as no library.
TEST_F(ErrorReportTest, TheMessageLineFollowsOnlyWhenTheLibraryIsFound) {
  struct Row {
    std::string directory;
    bool message;
  } rows[] = {{LibraryDirectory(), true}, {LibraryDirectory(248), false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.directory);
    SetLibraryDirectory(machine_hive_, "HKEY_LOCAL_MACHINE", row.directory);
    frame::ResetRuntime();  // a run leaves the runtime marked as ending
    frame::ResetFrame();
    window_ = ReportWindow{};
    window_.on_wait = TypeAKey;
    EXPECT_EQ(Run(MissingTileRoutine), 1);
    EXPECT_EQ(Shown(2), row.message ? kFileNotFound : kPressAnyKey);
    EXPECT_EQ(Shown(3), row.message ? kPressAnyKey : "");
  }
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
  const core::ErrorState& errors = core::Errors();
  EXPECT_EQ(errors.last_code, 63);
  EXPECT_EQ(errors.statement, 24);
  EXPECT_EQ(errors.module, &kTolvex);
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
  window_.on_wait = TypeAKey;
  EXPECT_EQ(Run(BreakRoutine), 0);
  EXPECT_EQ(Shown(1), kInterrupted + " Tolvex[7\x8D\x73]");  // and a blank
  EXPECT_EQ(Shown(2), kPressAnyKey);
  EXPECT_FALSE(std::filesystem::exists(user_hive_));
}

// Without a module the name is empty; numbers print as unsigned 16-bit; the
// interrupted line keeps its closing blank.
TEST_F(ErrorReportTest, ReportLineWithoutAModuleAndTheInterruptedText) {
  EXPECT_EQ(frame::FormatReportLine(nullptr, -1, -1),
            "\r\n [65535\x8D\x73]:\x83\x47\x83\x89\x81\x5B[65535]");
  core::RegisterCurrentModule(&kTolvex);
  core::SetStatementNumber(12);
  EXPECT_EQ(frame::KeyWaitText(true),
            "\r\n" + kInterrupted + " Tolvex[12\x8D\x73] \r\n" + kPressAnyKey);
}

std::string Utf8(const std::string& cp932) {
  std::string text;
  EXPECT_TRUE(os::Cp932ToUtf8(cp932, &text));
  return text;
}

// Without a usable console the report and the wait go to the box on stderr;
// the record is written all the same.
TEST_F(ErrorReportTest, WithoutAConsoleTheBoxGoesToStandardError) {
  SetLibraryDirectory(machine_hive_, "HKEY_LOCAL_MACHINE", LibraryDirectory());
  const std::string title = frame::MessageBoxTitle();
  EXPECT_EQ(title.substr(title.size() - 4), ".EXE");
  struct Row {
    int16_t code;
    std::string expected;
  } rows[] = {
      {63, title + ":\n" + Utf8(kReport24) + "\n" + Utf8(kFileNotFound) + "\n"},
      {4242, title + ":\nTolvex [24" + Utf8("\x8D\x73") + "]:" + Utf8("\x83\x47\x83\x89\x81\x5B") +
                 "[4242]\n"},
  };
  for (const Row& row : rows) {
    ::testing::internal::CaptureStderr();
    frame::ErrorReport(&kTolvex, row.code, 24, core::kLocOpenFailed);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), row.expected);
    EXPECT_EQ(RecordNumber("CODE"), static_cast<uint32_t>(row.code));
  }
  ::testing::internal::CaptureStderr();
  frame::KeyWait(false);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), title + ":\n" + Utf8(kPressAnyKey) + "\n");
}

// Piped, the report and the message line also go to stderr, so a script
// that throws stdout away still sees why the run failed.
TEST_F(ErrorReportTest, TheStreamFrontEndAlsoSaysTheReportOnStandardError) {
  SetLibraryDirectory(machine_hive_, "HKEY_LOCAL_MACHINE", LibraryDirectory());
  int in[2], out[2], err[2];
  ASSERT_EQ(pipe(in) | pipe(out) | pipe(err), 0);
  close(in[1]);  // no input: the key wait ends the run
  {
    frontend::StreamWindow window(in[0], out[1], err[1]);
    EXPECT_EQ(frame::RunProgramIn(window, "/usr/bin/tolvex", &kTolvex, MissingTileRoutine), 1);
  }
  char text[256] = {};
  EXPECT_GT(read(err[0], text, sizeof text - 1), 0);
  EXPECT_EQ(std::string(text), Utf8(kReport24) + "\n" + Utf8(kFileNotFound) + "\n");
  for (int fd : {in[0], out[0], out[1], err[0], err[1]}) close(fd);
}

}  // namespace
}  // namespace tolvex::testing
