// Process entry: the frame runs the conversion routine once and returns the
// exit status (0 after the final question, 1 after an unhandled error).
#include "convert/tolvex_routine.h"
#include "runtime/frame/frame.h"

int main(int argc, char** argv) {
  return tolvex::frame::RunProgram(argc, argv, &tolvex::convert::kTolvexProgram,
                                   tolvex::convert::Tolvex);
}
