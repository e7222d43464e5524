// The shared parts of the fuzz targets (see fuzz_support.h).
#include "fuzz/fuzz_support.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace tolvex::fuzz {
namespace {

std::string g_scratch;

void RemoveScratch() {
  std::error_code ignored;
  std::filesystem::remove_all(g_scratch, ignored);
}

}  // namespace

void Fail(const char* property, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: property failed: %s\n", file, line, property);
  std::abort();
}

void WriteSeedsWhenAsked(std::vector<std::string> (*make_seeds)()) {
  const char* directory = std::getenv("TOLVEX_FUZZ_SEEDS");
  if (directory == nullptr || *directory == '\0') return;
  std::filesystem::create_directories(directory);
  const std::vector<std::string> seeds = make_seeds();
  for (size_t i = 0; i < seeds.size(); ++i)
    PutFile(std::string(directory) + "/seed-" + std::to_string(i), seeds[i]);
  std::exit(0);
}

const std::string& ScratchDirectory() {
  if (g_scratch.empty()) {
    const char* parent = std::getenv("TOLVEX_FUZZ_SCRATCH");
    std::string pattern = parent != nullptr && *parent != '\0'        ? parent
                          : std::filesystem::is_directory("/dev/shm") ? "/dev/shm"
                                                                      : "/tmp";
    pattern += "/tolvex-fuzz-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) Fail("mkdtemp", __FILE__, __LINE__);
    g_scratch = pattern;
    std::atexit(RemoveScratch);
  }
  return g_scratch;
}

void PutFile(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) Fail("writing a scratch file", __FILE__, __LINE__);
}

}  // namespace tolvex::fuzz
