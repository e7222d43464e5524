// Placeholder until error reporting lands.
#include "runtime/frame/error_report.h"

namespace tolvex::frame {

void ReportUnhandledError() {}
void KeyWait(bool) {}

}  // namespace tolvex::frame
