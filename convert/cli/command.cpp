// The command line (see command.h).
#include "convert/cli/command.h"

namespace tolvex::cli {

int RunCommand(int, char**) { return 2; }

}  // namespace tolvex::cli
