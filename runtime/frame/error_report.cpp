// The report of an unhandled runtime error and the key wait (see
// error_report.h).
#include "runtime/frame/error_report.h"

#include <cstdio>

#include "runtime/core/error_codes.h"
#include "runtime/core/error_record.h"
#include "runtime/frame/frame.h"
#include "runtime/frame/message_box.h"
#include "runtime/frame/message_text.h"
#include "runtime/io/console_screen.h"
#include "runtime/io/key_queue.h"
#include "runtime/io/window_system.h"
#include "runtime/os/dynamic_library.h"
#include "runtime/os/registry_store.h"

namespace tolvex::frame {
namespace {

// "行" (line)
constexpr char kLineMark[] = "\x8D\x73";
// "エラー" (error)
constexpr char kErrorMark[] = "\x83\x47\x83\x89\x81\x5B";
// "中断しました" (interrupted)
constexpr char kInterrupted[] = "\x92\x86\x92\x66\x82\xB5\x82\xDC\x82\xB5\x82\xBD";
// "任意のキーを押してください" (press any key)
constexpr char kPressAnyKey[] =
    "\x94\x43\x88\xD3\x82\xCC\x83\x4C\x81\x5B\x82\xF0\x89\x9F\x82\xB5\x82\xC4\x82\xAD"
    "\x82\xBE\x82\xB3\x82\xA2";

const char* SourceName(const core::ProgramRecord* module) {
  return (module && module->source_name) ? module->source_name : "";
}

void WriteConsole(const std::string& text) {
  io::WriteConsoleBytes(reinterpret_cast<const uint8_t*>(text.data()),
                        static_cast<uint32_t>(text.size()));
}

}  // namespace

std::string FormatReportLine(const core::ProgramRecord* module, int16_t code, int16_t statement) {
  char numbers[16];
  std::string line = "\r\n";
  line += SourceName(module);
  std::snprintf(numbers, sizeof numbers, " [%u", static_cast<unsigned>(static_cast<uint16_t>(statement)));
  line += numbers;
  line += kLineMark;
  line += "]:";
  line += kErrorMark;
  std::snprintf(numbers, sizeof numbers, "[%u]", static_cast<unsigned>(static_cast<uint16_t>(code)));
  line += numbers;
  return line;
}

void ErrorReport(const core::ProgramRecord* module, int16_t code, int16_t statement,
                 uint32_t location) {
  std::string line = FormatReportLine(module, code, statement);
  core::WriteErrorRecord(module, code, statement, location);
  if (io::ConsoleUsable()) {
    WriteConsole(line);
    std::string report = line;
    char text[kConsoleMessageBytes];
    if (LookUpMessageText(code, text, sizeof text)) {
      std::string message_line = std::string("\r\n") + text;
      WriteConsole(message_line);
      report += message_line;
    }
    io::MainWindow()->ShowReport(reinterpret_cast<const uint8_t*>(report.data()),
                                 static_cast<uint32_t>(report.size()));
    KeyWait(false);
    return;
  }
  char text[kBoxMessageBytes];
  if (LookUpMessageText(code, text, sizeof text)) line = line + "\n" + text;
  ShowMessageBox(MessageBoxTitle(), line);
}

void ReportUnhandledError() {
  const core::ErrorState& errors = core::Errors();
  if (errors.last_code == core::kErrBreak) {
    KeyWait(true);
    return;
  }
  ErrorReport(errors.module, errors.last_code, errors.statement, errors.location);
}

std::string KeyWaitText(bool interrupted) {
  std::string text;
  if (interrupted) {
    char number[16];
    std::snprintf(number, sizeof number, "[%u",
                  static_cast<unsigned>(static_cast<uint16_t>(core::StatementNumber())));
    text = std::string("\r\n") + kInterrupted + " " + SourceName(core::CurrentModule()) + number +
           kLineMark + "] ";
  }
  return text + "\r\n" + kPressAnyKey;
}

void KeyWait(bool interrupted) {
  std::string text = KeyWaitText(interrupted);
  if (!io::ConsoleUsable()) {
    ShowMessageBox(MessageBoxTitle(), text);
    return;
  }
  WriteConsole(text);
  io::ClearKeyQueue();
  io::RepaintConsole();
  bool caret_was_visible = io::SetCaretVisible(true);
  uint8_t key = 0;
  bool got_key = io::WaitForKey(&key);
  io::SetCaretVisible(caret_was_visible);
  if (!got_key) core::Terminate();
  WriteConsole("\r\n");
}

void ResetErrorReporting() {
  os::UseLibraries(nullptr);
  os::FailHiveStepsAfter(-1);
}

}  // namespace tolvex::frame
