// The conversion routine: asks for a tile's base name and a unit, reads
// base name + ".xml" and writes base name + ".bil" and base name + ".hdr".
#pragma once
#include "runtime/core/runtime_error.h"

namespace tolvex::convert {

// The routine's program record: error reports show its source name "Tolvex".
extern const core::ProgramRecord kTolvexProgram;

// Runs the routine once, from the first question to EndProgram(0); the frame
// calls it after start-up. It never returns normally: EndProgram, a runtime
// error or the end of the keyboard input leave it through the frame.
//
// The dialogue, as the console shows it:
//   File Name xxxxxx.XML? tile
//   標高　ｍ単位(1) or 10cm単位(2) :? 1
//   tile.xmlを読み込み中
//   tile.bil ファイル出力中
//   変換処理終了?
// Every statement is preceded by StatementHook and SetStatementNumber (a
// row's 1125 raster writes and their Next, statements 69 and 70, run as one
// statement 69), so a runtime error is reported with the number of the
// statement that raised it: a missing tile is "Tolvex [24行]:エラー[63]".
void Tolvex();

}  // namespace tolvex::convert
