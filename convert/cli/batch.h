// A whole `tolvex convert` run: the inputs shared out among worker threads,
// each tile read, written and counted, a mosaic at the end, and the summary.
#pragma once
#include "convert/cli/command_line.h"

namespace tolvex::cli {

// Converts every tile the inputs hold and prints the summary on stderr.
// Returns the exit status: 0 when every tile was converted or skipped, 1
// when any failed (the others are still converted), 128 + the signal number
// when SIGINT, SIGTERM or SIGHUP stopped the run.
int RunBatch(const Options& options);

}  // namespace tolvex::cli
