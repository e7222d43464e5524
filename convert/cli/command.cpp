// The command line (see command.h).
#include "convert/cli/command.h"

#include <thread>

#include "convert/cli/batch.h"
#include "convert/cli/command_line.h"
#include "runtime/os/batch_files.h"

namespace tolvex::cli {

int RunCommand(int argc, char** argv) {
  const int cores = static_cast<int>(std::thread::hardware_concurrency());
  const ParsedCommand parsed = ParseCommandLine(argc, argv, cores);
  switch (parsed.action) {
    case Action::kHelp:
      os::WriteToStdout(HelpText());
      return 0;
    case Action::kVersion:
      os::WriteToStdout("tolvex " TOLVEX_VERSION "\n");
      return 0;
    case Action::kUsageError:
      os::WriteToStderr("tolvex: " + parsed.error + "\nTry 'tolvex --help'.\n");
      return 2;
    case Action::kConvert:
      break;
  }
  return RunBatch(parsed.options);
}

}  // namespace tolvex::cli
