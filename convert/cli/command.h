// The command line: `tolvex convert [OPTIONS] INPUT...`, `tolvex --help`,
// `tolvex --version`. Returns the process exit status: 0 when every tile was
// converted or skipped, 1 when any failed, 2 for a usage error.
#pragma once

namespace tolvex::cli {

int RunCommand(int argc, char** argv);

}  // namespace tolvex::cli
