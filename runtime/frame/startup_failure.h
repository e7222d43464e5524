// The startup failure box: the message shown when the program cannot start.
// It bypasses RaiseError and writes no error record.
#pragma once

namespace tolvex::frame {

// A start that failed is no success: the process's exit status then.
inline constexpr int kStartupFailureStatus = 1;

// Message numbers of the table.
enum StartupMessage : int {
  kStartupNoMemory = 1,        // "メモリが足りません"
  kStartupSystemAbnormal = 2,  // "システムに異常があります"
  kStartupNoWindow = 3,        // "ウィンドウをオープンできません"
  kStartupNoDeviceContext = 4, // "デバイスコンテキストを作成できません"
  kStartupNoBitmap = 5,        // "グラフィックビットマップを作成できません"
  kStartupNoResource = 6,      // "リソースが見つかりません"
  kStartupNoFormData = 7,      // "フォームデータがありません"
  kStartupNoMetafile = 8,      // "メタファイルが作成できません"
};

// The message of `number` (code page 932), or null for a number not in 1..8.
const char* StartupFailureMessage(int number);

// Shows message `number` in the box on stderr, titled "<program>.EXE", and
// returns kStartupFailureStatus for the frame to exit with. A number outside
// the table shows message 2.
// Example: ReportStartupFailure(3) writes
//   "tolvex.EXE: ウィンドウをオープンできません\n".
int ReportStartupFailure(int number);

}  // namespace tolvex::frame
