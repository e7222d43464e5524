// The batch run (see batch.h). Workers share only the queue of work items,
// the counters and the tally below; everything a tile needs is its own.
#include "convert/cli/batch.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "convert/cli/bil_writer.h"
#include "convert/cli/grid_geometry.h"
#include "convert/cli/input_walk.h"
#include "convert/cli/output_set.h"
#include "convert/cli/progress.h"
#include "convert/cli/tiff_writer.h"
#include "convert/cli/tile_reader.h"
#include "convert/cli/tile_walk.h"
#include "convert/cli/vrt_writer.h"
#include "runtime/numeric/float_unit.h"
#include "runtime/os/batch_files.h"
#include "runtime/os/descriptor_io.h"

namespace tolvex::cli {
namespace {

// A stop signal arrived: the worker leaves the tile it is on (its
// temporaries are removed on the way out) and takes no other.
struct Stopped {};

struct Failure {
  std::string where;  // "pack.zip!tile.xml:52", or a file or folder
  std::string message;
};

// What the run did, filled by all workers under one lock.
struct Tally {
  uint64_t converted = 0;
  uint64_t skipped = 0;
  std::vector<Failure> failures;
  std::vector<MosaicTile> mosaic;
  std::map<int, uint64_t> tiles_per_epsg;
  std::map<std::string, std::string> claimed;  // output name → the tile that has it
};

std::vector<std::string> Extensions(Format format) {
  if (format == Format::kTif) return {".tif"};
  return {".bil", ".hdr", ".prj"};
}

// "/work/out" for "out" run in /work: no "." or ".." and no trailing slash.
std::string AbsolutePath(const std::string& path) {
  std::string absolute = std::filesystem::absolute(path).lexically_normal().string();
  if (absolute.size() > 1 && absolute.back() == '/') absolute.pop_back();
  return absolute;
}

std::string Where(const TileName& tile, uint64_t line) {
  if (line == 0) return tile.display;
  return tile.display + ":" + std::to_string(line);
}

class Batch {
 public:
  explicit Batch(const Options& options) : options_(options) {}

  int Run();

 private:
  void Work(const std::vector<WorkItem>& items);
  void VisitTile(const TileName& tile, ByteSource& source);
  void ConvertTile(const TileName& tile, ByteSource& source);
  // True when the tile's outputs all exist already: they are kept.
  bool AlreadyDone(const TileName& tile);
  std::vector<OutputFile> Render(const Tile& tile, const Geometry& geometry) const;
  void AddToMosaic(const TileName& tile, const Geometry& geometry);
  void Fail(std::string where, std::string message);
  void WriteMosaic();
  void PrintSummary(double seconds) const;

  const Options& options_;
  Counters counters_;
  std::atomic<size_t> next_item_{0};
  mutable std::mutex mutex_;  // guards tally_
  Tally tally_;
};

int Batch::Run() {
  const auto start = std::chrono::steady_clock::now();
  os::CatchStopSignals();
  if (!os::MakeDirectories(options_.output)) {
    os::WriteToStderr("tolvex: " + options_.output + ": cannot create the output folder: " +
                      os::ErrorText(errno) + "\n");
    return 1;
  }
  std::vector<InputProblem> problems;
  const std::vector<WorkItem> items = ExpandInputs(options_.inputs, options_.jobs, &problems);
  for (const InputProblem& problem : problems) Fail(problem.where, problem.message);
  bool any_zip = false;
  for (const WorkItem& item : items) {
    counters_.bytes_total += item.bytes;
    counters_.tiles_known += item.tiles;
    any_zip = any_zip || item.is_zip;
  }
  {
    const bool show = !options_.quiet && os::IsTerminal(STDERR_FILENO);
    ProgressLine progress(counters_, any_zip, show);
    const size_t workers = std::min<size_t>(static_cast<size_t>(options_.jobs), items.size());
    // The calling thread is one of the workers: a single job starts no
    // thread (waking an idle core costs more than a small tile takes).
    std::vector<std::jthread> threads;
    for (size_t i = 1; i < workers; ++i) threads.emplace_back([this, &items] { Work(items); });
    if (workers > 0) Work(items);
  }
  if (os::StopSignal() != 0) {
    os::WriteToStderr("tolvex: stopped; outputs that were not complete were removed\n");
    return 128 + os::StopSignal();
  }
  if (!options_.merge.empty()) WriteMosaic();
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  PrintSummary(elapsed.count());
  return tally_.failures.empty() ? 0 : 1;
}

void Batch::Work(const std::vector<WorkItem>& items) {
  // Each thread has its own float unit: put it in the state the numbers
  // are defined in (extended precision, round to nearest).
  numeric::ResetFloatUnit();
  for (size_t i = next_item_++; i < items.size() && os::StopSignal() == 0; i = next_item_++) {
    const WorkItem& item = items[i];
    uint64_t visited = 0;
    try {
      ForEachTile(
          item,
          [&](const TileName& tile, ByteSource& source) {
            // Tiles inside nested zips were not known before.
            if (++visited > item.tiles) ++counters_.tiles_known;
            VisitTile(tile, source);
          },
          [&](const InputProblem& problem) { Fail(problem.where, problem.message); },
          &counters_.bytes_read);
    } catch (const Stopped&) {
      return;
    } catch (const std::exception& error) {  // out of memory, a fault of the walk
      Fail(item.path, error.what());
    }
  }
}

void Batch::VisitTile(const TileName& tile, ByteSource& source) {
  if (os::StopSignal() != 0) throw Stopped{};
  try {
    ConvertTile(tile, source);
  } catch (const TileError& error) {
    Fail(Where(tile, error.line()), error.what());
  } catch (const Stopped&) {
    throw;
  } catch (const std::exception& error) {  // ReadError, OutputError, a writer's failure
    Fail(tile.display, error.what());
  }
  ++counters_.tiles_done;
}

void Batch::ConvertTile(const TileName& tile, ByteSource& source) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto [claim, fresh] = tally_.claimed.emplace(tile.name, tile.display);
    if (!fresh)
      throw OutputError("its outputs " + tile.name + ".* are those of " + claim->second +
                        ", converted in this run too");
  }
  if (AlreadyDone(tile)) {
    if (!options_.merge.empty()) {
      const Tile head = ReadTile(source, ReadOptions{options_.unit, true});
      AddToMosaic(tile, GeometryOf(head.head));
    }
    std::lock_guard<std::mutex> lock(mutex_);
    ++tally_.skipped;
    return;
  }
  const Tile read = ReadTile(source, ReadOptions{options_.unit, false});
  const Geometry geometry = GeometryOf(read.head);
  const std::vector<OutputFile> files = Render(read, geometry);
  if (os::StopSignal() != 0) throw Stopped{};
  WriteOutputs(options_.output, tile.name, files, options_.force);
  AddToMosaic(tile, geometry);
  std::lock_guard<std::mutex> lock(mutex_);
  ++tally_.converted;
  ++tally_.tiles_per_epsg[geometry.crs.epsg];
}

bool Batch::AlreadyDone(const TileName& tile) {
  if (options_.force) return false;
  std::vector<std::string> present, missing;
  for (const std::string& extension : Extensions(options_.format)) {
    const std::string path = OutputPath(options_.output, tile.name, extension);
    (os::PathExists(path) ? present : missing).push_back(path);
  }
  if (missing.empty()) return true;
  if (present.empty()) return false;
  // Part of the set stands (left by another program, or by a run killed
  // between its renames): neither keep it as done nor replace it unasked.
  throw OutputError(present.front() + " exists but " + missing.front() +
                    " does not (use --force to replace the outputs)");
}

std::vector<OutputFile> Batch::Render(const Tile& tile, const Geometry& geometry) const {
  if (options_.format == Format::kTif) return TiffFiles(tile, geometry, options_.compression);
  return BilFiles(tile, geometry);
}

void Batch::AddToMosaic(const TileName& tile, const Geometry& geometry) {
  if (options_.merge.empty()) return;
  // Absolute, so that the mosaic can name each file relative to itself.
  const std::string path =
      AbsolutePath(OutputPath(options_.output, tile.name, Extensions(options_.format)[0]));
  std::lock_guard<std::mutex> lock(mutex_);
  tally_.mosaic.push_back(MosaicTile{path, tile.name, geometry});
}

void Batch::Fail(std::string where, std::string message) {
  std::lock_guard<std::mutex> lock(mutex_);
  tally_.failures.push_back(Failure{std::move(where), std::move(message)});
}

void Batch::WriteMosaic() {
  const std::string& vrt = options_.merge;
  const size_t slash = vrt.find_last_of('/');
  const std::string directory = slash == std::string::npos ? "." : vrt.substr(0, slash);
  const std::string file = slash == std::string::npos ? vrt : vrt.substr(slash + 1);
  const std::string stem = file.substr(0, file.size() - 4);  // without ".vrt"
  try {
    if (tally_.mosaic.empty()) throw OutputError("no tile to put in the mosaic");
    std::string text =
        MosaicVrt(tally_.mosaic, options_.unit, AbsolutePath(directory));
    if (!os::MakeDirectories(directory))
      throw OutputError(directory + ": cannot create the folder: " + os::ErrorText(errno));
    WriteOutputs(directory, stem, {OutputFile{".vrt", std::move(text)}}, options_.force);
  } catch (const std::exception& error) {
    tally_.failures.push_back(Failure{vrt, error.what()});
  }
}

void Batch::PrintSummary(double seconds) const {
  std::string text;
  if (tally_.tiles_per_epsg.size() > 1) {
    text += "tolvex: warning: the tiles are in more than one CRS (";
    for (const auto& [epsg, count] : tally_.tiles_per_epsg) {
      if (text.back() != '(') text += ", ";
      text += "EPSG:" + std::to_string(epsg) + ": " + std::to_string(count) + " tiles";
    }
    text += "); each is written in its own\n";
  }
  if (!options_.quiet) {
    char line[160];
    std::snprintf(line, sizeof line, "tolvex: converted %llu, skipped %llu, failed %zu (%.1f s)\n",
                  static_cast<unsigned long long>(tally_.converted),
                  static_cast<unsigned long long>(tally_.skipped), tally_.failures.size(), seconds);
    text += line;
  }
  // Failures in a stable order, whatever the order the workers met them.
  std::vector<Failure> failures = tally_.failures;
  std::sort(failures.begin(), failures.end(),
            [](const Failure& a, const Failure& b) { return a.where < b.where; });
  for (const Failure& failure : failures)
    text += "failed: " + failure.where + ": " + failure.message + "\n";
  os::WriteToStderr(text);
}

}  // namespace

int RunBatch(const Options& options) { return Batch(options).Run(); }

}  // namespace tolvex::cli
