// Process entry. Without arguments the frame runs the conversion dialogue
// once (exit status 0 after the final question, 1 after an unhandled
// error); with arguments the command line takes over: `tolvex convert ...`,
// `tolvex --help`, `tolvex --version`.
#include "convert/cli/command.h"
#include "convert/tolvex_routine.h"
#include "runtime/frame/frame.h"

int main(int argc, char** argv) {
  if (argc > 1) return tolvex::cli::RunCommand(argc, argv);
  return tolvex::frame::RunProgram(argc, argv, &tolvex::convert::kTolvexProgram,
                                   tolvex::convert::Tolvex);
}
