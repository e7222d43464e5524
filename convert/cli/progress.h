// The progress line of a batch on stderr: tiles done out of those known,
// the input read per second and the time left, redrawn in place a few times
// a second, only when stderr is a terminal.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace tolvex::cli {

// What the workers count as they go; read by the progress line and the summary.
struct Counters {
  std::atomic<uint64_t> tiles_done{0};
  std::atomic<uint64_t> tiles_known{0};    // grows when nested zips reveal more
  std::atomic<uint64_t> bytes_read{0};
  uint64_t bytes_total = 0;
};

// The line for a moment of the run, e.g. "12/40 tiles  85.3 MB/s  0:14 left";
// "12/40+" when nested zips may hold more tiles. Pure, for tests.
std::string ProgressText(uint64_t tiles_done, uint64_t tiles_known, bool more_may_come,
                         uint64_t bytes_read, uint64_t bytes_total, double seconds);

// Draws the line from its own thread until destroyed, then erases it.
class ProgressLine {
 public:
  ProgressLine(const Counters& counters, bool more_may_come, bool enabled);
  ~ProgressLine();
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

 private:
  void Draw(double seconds);

  const Counters& counters_;
  bool more_may_come_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool done_ = false;
  std::thread thread_;
};

}  // namespace tolvex::cli
