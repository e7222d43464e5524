// The progress line (see progress.h).
#include "convert/cli/progress.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>

#include "runtime/os/batch_files.h"

namespace tolvex::cli {
namespace {

constexpr auto kRedraw = std::chrono::milliseconds(250);
// Erase to the end of the line, so a shorter text leaves no tail behind.
constexpr char kEraseLine[] = "\r\x1b[K";

}  // namespace

std::string ProgressText(uint64_t tiles_done, uint64_t tiles_known, bool more_may_come,
                         uint64_t bytes_read, uint64_t bytes_total, double seconds) {
  char text[160];
  const double megabytes_per_second =
      seconds > 0 ? static_cast<double>(bytes_read) / seconds / 1e6 : 0;
  int length = std::snprintf(text, sizeof text, "%llu/%llu%s tiles  %.1f MB/s",
                             static_cast<unsigned long long>(tiles_done),
                             static_cast<unsigned long long>(tiles_known),
                             more_may_come ? "+" : "", megabytes_per_second);
  // The time left follows from the bytes still to read at the rate so far.
  if (bytes_read > 0 && bytes_total > bytes_read && seconds > 0.5) {
    const auto left = static_cast<uint64_t>(
        static_cast<double>(bytes_total - bytes_read) * seconds / static_cast<double>(bytes_read));
    std::snprintf(text + length, sizeof text - static_cast<size_t>(length), "  %llu:%02llu left",
                  static_cast<unsigned long long>(left / 60),
                  static_cast<unsigned long long>(left % 60));
  }
  return text;
}

ProgressLine::ProgressLine(const Counters& counters, bool more_may_come, bool enabled)
    : counters_(counters), more_may_come_(more_may_come) {
  if (!enabled) return;
  thread_ = std::thread([this] {
    const auto start = std::chrono::steady_clock::now();
    std::unique_lock<std::mutex> lock(mutex_);
    while (!wake_.wait_for(lock, kRedraw, [this] { return done_; })) {
      const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
      Draw(elapsed.count());
    }
    os::WriteToStderr(kEraseLine);
  });
}

ProgressLine::~ProgressLine() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    done_ = true;
  }
  wake_.notify_one();
  thread_.join();
}

void ProgressLine::Draw(double seconds) {
  std::string line = ProgressText(counters_.tiles_done.load(), counters_.tiles_known.load(),
                                  more_may_come_, counters_.bytes_read.load(),
                                  counters_.bytes_total, seconds);
  const int columns = os::TerminalColumns(STDERR_FILENO);
  if (columns > 1 && line.size() >= static_cast<size_t>(columns))
    line.resize(static_cast<size_t>(columns - 1));
  os::WriteToStderr(kEraseLine + line);
}

}  // namespace tolvex::cli
