// The message box on stderr (see message_box.h).
#include "runtime/frame/message_box.h"

#include <cerrno>
#include <cstdio>

#include "runtime/frame/frame.h"
#include "runtime/os/code_page.h"

namespace tolvex::frame {

std::string MessageBoxTitle() {
  std::string name = ProgramName();
  // Outside a run of the frame (a test, a tool) the process's own name.
  if (name.empty()) name = ProgramNameFromPath(program_invocation_name);
  return name + ".EXE";
}

void ShowMessageBox(std::string_view title, std::string_view text) {
  std::string shown;
  if (!os::Cp932ToUtf8(text, &shown)) shown.assign(text);
  std::string lines;
  for (size_t i = 0; i < shown.size(); ++i) {
    if (shown[i] == '\r' && i + 1 < shown.size() && shown[i + 1] == '\n') continue;
    lines.push_back(shown[i]);
  }
  std::string box(title);
  box += (!lines.empty() && lines.front() == '\n') ? ":" : ": ";
  box += lines;
  box += '\n';
  std::fwrite(box.data(), 1, box.size(), stderr);
  std::fflush(stderr);
}

}  // namespace tolvex::frame
