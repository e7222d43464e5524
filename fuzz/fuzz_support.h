// What every fuzz target shares: stopping the run when a property fails,
// writing the target's seed inputs when asked, and a scratch directory for
// the targets that go through files.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace tolvex::fuzz {

// Prints the failed property with its place and aborts, which libFuzzer
// reports as a crash and keeps the input that caused it.
[[noreturn]] void Fail(const char* property, const char* file, int line);

#define FUZZ_CHECK(property) \
  ((property) ? static_cast<void>(0) : ::tolvex::fuzz::Fail(#property, __FILE__, __LINE__))

// For LLVMFuzzerInitialize: when the environment variable TOLVEX_FUZZ_SEEDS
// names a directory, writes the seeds `make_seeds` returns there (seed-0,
// seed-1, ...) and ends the process; otherwise does nothing. The seeds are
// made by the target's own code, so no corpus is kept in the tree.
void WriteSeedsWhenAsked(std::vector<std::string> (*make_seeds)());

// The LLVMFuzzerInitialize of a target that needs nothing else set up: its
// seeds come from `make_seeds`.
#define FUZZ_SEEDS(make_seeds)                                 \
  extern "C" int LLVMFuzzerInitialize(int*, char***) {        \
    ::tolvex::fuzz::WriteSeedsWhenAsked(make_seeds);          \
    return 0;                                                  \
  }

// A directory of this process's own, made on first use and removed at exit
// (a crash, and libFuzzer's end of a timed run, leave it): under
// $TOLVEX_FUZZ_SCRATCH when set (fuzz/run.sh sets it and cleans up), else in
// /dev/shm when the machine has it, since some targets write a file for
// every input.
const std::string& ScratchDirectory();

// Replaces the file at `path` with `bytes`.
void PutFile(const std::string& path, std::string_view bytes);

}  // namespace tolvex::fuzz
