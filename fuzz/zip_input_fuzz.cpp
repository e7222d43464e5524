// Fuzz target: the command line's archive input on any bytes saved as a zip:
// expanded into work items, each walked, zips inside zips included.
//
// Properties: nothing escapes the walk (a damaged zip or member is a
// reported problem); a member hands out no more than asked and stays at its
// end; each tile is named after its member and read as a tile must be;
// progress ends at exactly the item's bytes; the shares together visit every
// tile a walk of the whole zip visits, none more of the zip's own tiles than
// were counted for it.
#include <archive.h>
#include <archive_entry.h>
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <atomic>
#include <set>
#include <string>
#include <vector>

#include "convert/cli/input_name.h"
#include "convert/cli/input_walk.h"
#include "convert/cli/tile_walk.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/tile_samples.h"

namespace tolvex::fuzz {
namespace {

// A member as the visitor sees it, checked on every read.
class CheckedSource : public cli::ByteSource {
 public:
  explicit CheckedSource(cli::ByteSource& member) : member_(member) {}
  size_t Read(char* buffer, size_t capacity) override {
    const size_t count = member_.Read(buffer, capacity);
    FUZZ_CHECK(count <= capacity && !(ended_ && count > 0));
    ended_ = count == 0;
    return count;
  }

 private:
  cli::ByteSource& member_;
  bool ended_ = false;
};

// The display ends with the member's file name: the base name, then ".xml"
// in any case, after "!" or a folder of the member. (A member's name may
// hold "!" itself, so the display cannot be split.)
bool NamedAfterMember(const cli::TileName& name) {
  const std::string& display = name.display;
  if (display.size() < name.name.size() + 5) return false;
  const size_t base = display.size() - 4 - name.name.size();
  return cli::KindOfName(display.substr(base - 1)) == cli::InputKind::kTile &&
         display.compare(base, name.name.size(), name.name) == 0 &&
         std::string_view("!/\\").find(display[base - 1]) != std::string_view::npos;
}

// Walks one work item; returns the display names of the tiles visited.
std::vector<std::string> Walk(const cli::WorkItem& item, cli::Unit unit) {
  std::vector<std::string> visited;
  const cli::TileVisitor visit = [&](const cli::TileName& name, cli::ByteSource& member) {
    FUZZ_CHECK(name.display.starts_with(item.path + "!"));
    FUZZ_CHECK(NamedAfterMember(name));
    visited.push_back(name.display);
    CheckedSource source(member);
    const cli::ReadOptions options{unit, false};
    const TileRead read = ReadOrFail(source, options);
    if (read.ok) CheckTile(read.tile, options);
  };
  const cli::ProblemSink problem = [&](const cli::InputProblem& found) {
    FUZZ_CHECK(found.where.starts_with(item.path) && !found.message.empty());
  };
  std::atomic<uint64_t> bytes_read{0};
  cli::ForEachTile(item, visit, problem, &bytes_read);
  FUZZ_CHECK(bytes_read == item.bytes);
  return visited;
}

// A zip of `members` (name, bytes; a name ending in "/" is a directory),
// written by libarchive's writer with store or deflate.
std::string ZipOf(const std::vector<std::pair<std::string, std::string>>& members, bool deflate) {
  std::string zip;
  archive* writer = archive_write_new();
  archive_write_set_format_zip(writer);
  archive_write_set_bytes_in_last_block(writer, 1);
  archive_write_set_options(writer, deflate ? "zip:compression=deflate" : "zip:compression=store");
  const auto append = [](archive*, void* into, const void* bytes, size_t length) -> la_ssize_t {
    static_cast<std::string*>(into)->append(static_cast<const char*>(bytes), length);
    return static_cast<la_ssize_t>(length);
  };
  archive_write_open(writer, &zip, nullptr, append, nullptr);
  for (const auto& [name, bytes] : members) {
    archive_entry* entry = archive_entry_new();
    archive_entry_set_pathname(entry, name.c_str());
    archive_entry_set_filetype(entry, name.ends_with("/") ? AE_IFDIR : AE_IFREG);
    archive_entry_set_size(entry, static_cast<la_int64_t>(bytes.size()));
    archive_write_header(writer, entry);
    archive_write_data(writer, bytes.data(), bytes.size());
    archive_entry_free(entry);
  }
  archive_write_close(writer);
  archive_write_free(writer);
  return zip;
}

// The provider takes its choices from the end: a seed is a zip, then the
// shares and the unit.
std::vector<std::string> Seeds() {
  const std::vector<std::string> tiles = SampleTiles();
  const std::string& small = tiles.back();
  std::vector<std::string> seeds;
  for (const bool deflate : {false, true}) {
    const std::string inner = ZipOf({{"in/b.XML", small}, {"c.txt", "x"}}, deflate);
    seeds.push_back(
        ZipOf({{"a.xml", small}, {"d/", ""}, {"in.zip", inner}, {"e.xml", tiles[0]}}, deflate));
    seeds.push_back(ZipOf(
        {{"__MACOSX/._a.xml", "x"}, {"deep.zip", ZipOf({{"in.zip", inner}}, deflate)}}, deflate));
  }
  for (std::string& seed : seeds) seed += "\x01\x00";
  return seeds;
}

}  // namespace
}  // namespace tolvex::fuzz

FUZZ_SEEDS(tolvex::fuzz::Seeds)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tolvex;
  FuzzedDataProvider input(data, size);
  const cli::Unit unit = input.ConsumeBool() ? cli::Unit::kTenths : cli::Unit::kFloat;
  const int shares = input.ConsumeIntegralInRange(1, 4);
  const std::string path = fuzz::ScratchDirectory() + "/input.zip";
  fuzz::PutFile(path, input.ConsumeRemainingBytesAsString());

  std::vector<cli::InputProblem> problems;
  const std::vector<cli::WorkItem> items = cli::ExpandInputs({path}, shares, &problems);
  FUZZ_CHECK(items.size() >= 1 && items.size() <= static_cast<size_t>(shares));
  std::set<std::string> visited;
  for (const cli::WorkItem& item : items) {
    FUZZ_CHECK(item.path == path && item.is_zip && item.shares == static_cast<int>(items.size()));
    uint64_t direct = 0;  // tile members of the zip itself, not of zips inside
    for (const std::string& name : fuzz::Walk(item, unit)) {
      visited.insert(name);
      direct += std::count(name.begin(), name.end(), '!') == 1 ? 1 : 0;
    }
    // A share visits no more of the tiles the directory listed than were
    // counted for it (fewer when a damaged member stops the walk).
    if (items.size() > 1) FUZZ_CHECK(direct <= item.tiles);
  }
  if (items.size() == 1) return 0;
  cli::WorkItem whole = items[0];
  whole.share = 0;
  whole.shares = 1;
  for (const std::string& name : fuzz::Walk(whole, unit)) FUZZ_CHECK(visited.count(name) == 1);
  return 0;
}
