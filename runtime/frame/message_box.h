// The message box of a system without boxes: the title and the text on the
// standard error stream. Used when there is no usable console (the error
// report, the key wait) and when the program cannot start.
#pragma once
#include <string>
#include <string_view>

namespace tolvex::frame {

// The title of the runtime's boxes: the executable's base name (file name
// without directory and without the part from its last dot) + ".EXE".
// Example: /usr/local/bin/tolvex -> "tolvex.EXE".
std::string MessageBoxTitle();

// Writes "<title>: <text>\n" on stderr. `text` is code page 932; it goes out
// in the terminal's form (UTF-8) when it converts, else as it is. CR LF
// pairs become LF, the line end of the system's text streams; a text that
// begins with a line end starts on the line after the title.
// Example: ("tolvex.EXE", "\r\nTolvex [24行]:エラー[63]") writes
//   "tolvex.EXE:\nTolvex [24行]:エラー[63]\n".
void ShowMessageBox(std::string_view title, std::string_view text);

}  // namespace tolvex::frame
