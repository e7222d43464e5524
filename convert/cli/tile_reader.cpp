// The tile reader (see tile_reader.h): the document walk, the head's texts
// and the placing of the cells. The tuples themselves are tuple_list's.
// Holds no OS code.
#include "convert/cli/tile_reader.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <string_view>
#include <vector>

#include "convert/cli/crs.h"
#include "convert/cli/element_scanner.h"
#include "convert/cli/tile_encoding.h"
#include "convert/cli/tile_window.h"
#include "convert/cli/tuple_list.h"
#include "convert/elevation_cell.h"

namespace tolvex::cli {
namespace {

// Head texts are a few numbers; anything longer is kept only this far, for
// the message that refuses it.
constexpr size_t kHeadTextLimit = 200;

// Japan and its waters, in degrees: corners outside are a damaged tile.
constexpr double kSouthmost = 20, kNorthmost = 46, kWestmost = 122, kEastmost = 154;

std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  size_t at = 0;
  while (at < text.size()) {
    while (at < text.size() && IsXmlSpace(text[at])) ++at;
    const size_t start = at;
    while (at < text.size() && !IsXmlSpace(text[at])) ++at;
    if (at > start) words.push_back(text.substr(start, at - start));
  }
  return words;
}

template <typename Number>
bool ParseWord(std::string_view word, Number* number) {
  const char* const end = word.data() + word.size();
  const auto [stop, error] = std::from_chars(word.data(), end, *number);
  return error == std::errc() && stop == end;
}

// Two numbers in a text: "35.7 139.6", "224 149".
template <typename Number>
bool ParsePair(std::string_view text, Number* first, Number* second) {
  const std::vector<std::string_view> words = Words(text);
  return words.size() == 2 && ParseWord(words[0], first) && ParseWord(words[1], second);
}

// One head element seen: where, as what name.
struct Seen {
  bool seen = false;
  uint64_t line = 0;
  std::string name;  // as written, for messages: "gml:high"
  std::string text;  // its text, when it has one
};

class TileParser {
 public:
  TileParser(ByteSource& source, const ReadOptions& options)
      : window_(source), scanner_(window_), options_(options) {
    tile_.unit = options.unit;
  }

  Tile Read();

 private:
  const Markup& ReadEncoding();
  bool Walk(const Markup& markup);
  void Open(const Markup& markup);
  bool Close(const Markup& markup);
  void OpenInsideDem(const Markup& markup);
  Seen& Record(Seen* seen, const Markup& markup);
  void ReadEnvelope(const Markup& markup);
  void ReadCorner(const Markup& markup, Seen* corner);
  void ReadLow(const Markup& markup);
  void ReadHigh(const Markup& markup);
  void ReadList(const Markup& markup);
  void ReadSequenceRule(const Markup& markup);
  void ReadStartPoint(const Markup& markup);
  bool HeadComplete() const;
  void Finish();
  void PlaceCells();
  template <typename Cell>
  void Place(std::vector<Cell>& cells, uint64_t count, uint64_t first, Cell no_data);
  [[noreturn]] void Fail(uint64_t line, const std::string& message) const;
  std::string Quote(std::string_view text) const { return Quoted(text, scanner_.encoding()); }

  TileWindow window_;
  ElementScanner scanner_;
  ReadOptions options_;
  Tile tile_;
  std::vector<std::string> open_;  // names of the open elements, root first
  size_t dem_depth_ = 0;           // open_.size() inside the DEM element, else 0
  bool dem_seen_ = false;
  bool any_markup_ = false;
  Seen envelope_, lower_, upper_, low_, high_, list_, rule_, start_;
};

// ------------------------------------------------------------ the walk

Tile TileParser::Read() {
  for (const Markup* markup = &ReadEncoding(); Walk(*markup); markup = &scanner_.Next())
    if (options_.head_only && HeadComplete()) return std::move(tile_);
  Finish();
  return std::move(tile_);
}

// The byte order mark and the declaration; the first markup after them.
// Only UTF-8 and Shift_JIS are read: both keep every byte of the markup
// plain ASCII. (A UTF-8 mark is text before the first tag, skipped as such.)
const Markup& TileParser::ReadEncoding() {
  while (window_.end() - window_.pos() < 4 && window_.Fill()) {
  }
  const std::string_view start(window_.pos(), static_cast<size_t>(window_.end() - window_.pos()));
  const bool utf8_mark = start.starts_with("\xEF\xBB\xBF");
  if (start.starts_with("\xFE\xFF") || start.starts_with("\xFF\xFE"))
    Fail(1, "the file is UTF-16 (byte order mark): tiles must be UTF-8 or Shift_JIS");
  if (start.size() >= 2 && (start[0] == '\0' || start[1] == '\0'))
    Fail(1, "the file is UTF-16 or UTF-32 (NUL bytes): tiles must be UTF-8 or Shift_JIS");

  const Markup& first = scanner_.Next();
  if (first.kind != MarkupKind::kInstruction || first.Name() != "xml") return first;
  const std::optional<AttributeValue> name = scanner_.Attribute(first, "encoding");
  if (!name) return scanner_.Next();
  const std::optional<TileEncoding> encoding = EncodingOfName(name->value);
  if (!encoding)
    Fail(name->line, "encoding " + Quote(name->value) + " is not supported: tiles must be "
                     "UTF-8 or Shift_JIS");
  if (utf8_mark && *encoding != TileEncoding::kUtf8)
    Fail(name->line, "encoding " + Quote(name->value) + " after a UTF-8 byte order mark");
  scanner_.set_encoding(*encoding);
  return scanner_.Next();
}

// Takes one markup into account; false once the document is over (the
// root closed, or the end of the stream).
bool TileParser::Walk(const Markup& markup) {
  switch (markup.kind) {
    case MarkupKind::kEndOfStream:
      if (!open_.empty())
        Fail(markup.line, "the file ends inside <" + open_.back() + ">: it is cut short");
      return false;
    case MarkupKind::kInstruction:
      return true;
    case MarkupKind::kStart:
      Open(markup);
      return true;
    case MarkupKind::kEmpty:
      Open(markup);
      return Close(markup);
    case MarkupKind::kEnd:
      return Close(markup);
  }
  return true;
}

void TileParser::Open(const Markup& markup) {
  any_markup_ = true;
  open_.emplace_back(markup.Name());
  if (dem_depth_ != 0) {
    OpenInsideDem(markup);
  } else if (markup.LocalName() == "DEM") {
    if (dem_seen_) Fail(markup.line, "a second DEM element in one file");
    dem_seen_ = true;
    dem_depth_ = open_.size();
  }
}

bool TileParser::Close(const Markup& markup) {
  if (open_.empty()) Fail(markup.line, "the end tag " + Quote(markup.text) + " closes nothing");
  if (open_.back() != markup.Name())
    Fail(markup.line,
         "the end tag " + Quote(markup.text) + " does not close <" + open_.back() + ">");
  if (open_.size() == dem_depth_) dem_depth_ = 0;
  open_.pop_back();
  return !open_.empty();
}

void TileParser::OpenInsideDem(const Markup& markup) {
  const std::string_view name = markup.LocalName();
  if (name == "Envelope") ReadEnvelope(markup);
  else if (name == "lowerCorner") ReadCorner(markup, &lower_);
  else if (name == "upperCorner") ReadCorner(markup, &upper_);
  else if (name == "low") ReadLow(markup);
  else if (name == "high") ReadHigh(markup);
  else if (name == "tupleList") ReadList(markup);
  else if (name == "sequenceRule") ReadSequenceRule(markup);
  else if (name == "startPoint") ReadStartPoint(markup);
}

// Marks an element as seen, with its text when it is a start tag: a second
// one of the same kind makes the tile ambiguous.
Seen& TileParser::Record(Seen* seen, const Markup& markup) {
  if (seen->seen)
    Fail(markup.line, "a second <" + std::string(markup.Name()) + "> (the first on line " +
                          std::to_string(seen->line) + ")");
  seen->seen = true;
  seen->line = markup.line;
  seen->name = markup.Name();
  return *seen;
}

// ------------------------------------------------------------ the head

void TileParser::ReadEnvelope(const Markup& markup) {
  Record(&envelope_, markup);
  const std::optional<AttributeValue> srs = scanner_.Attribute(markup, "srsName");
  if (!srs) Fail(markup.line, "<" + envelope_.name + "> has no srsName");
  const std::optional<Crs> crs = CrsOfSrsName(srs->value);
  if (!crs) Fail(srs->line, "unknown coordinate reference system: srsName " + Quote(srs->value));
  tile_.head.srs_name = srs->value;
  tile_.head.crs = *crs;
}

// Element text, or none for an empty-element tag.
void ReadText(ElementScanner& scanner, const Markup& markup, Seen* seen) {
  if (markup.kind != MarkupKind::kStart) return;
  ElementText text = scanner.Text(kHeadTextLimit);
  seen->text = std::move(text.text);
  seen->line = text.line;
}

void TileParser::ReadCorner(const Markup& markup, Seen* corner) {
  ReadText(scanner_, markup, &Record(corner, markup));
  double latitude = 0, longitude = 0;
  if (!ParsePair(corner->text, &latitude, &longitude))
    Fail(corner->line, "<" + corner->name + "> " + Quote(corner->text) +
                           " is not two numbers (latitude longitude)");
  // Written so that a NaN fails too.
  if (!(latitude >= kSouthmost && latitude <= kNorthmost && longitude >= kWestmost &&
        longitude <= kEastmost))
    Fail(corner->line, "<" + corner->name + "> " + Quote(corner->text) +
                           " lies outside Japan (latitude 20..46, longitude 122..154)");
  TileHead& head = tile_.head;
  if (corner == &lower_) {
    head.south = latitude;
    head.west = longitude;
  } else {
    head.north = latitude;
    head.east = longitude;
  }
  if (lower_.seen && upper_.seen && !(head.south < head.north && head.west < head.east))
    Fail(corner->line, "<" + lower_.name + "> " + Quote(lower_.text) +
                           " is not south-west of <" + upper_.name + "> " + Quote(upper_.text));
}

void TileParser::ReadLow(const Markup& markup) {
  ReadText(scanner_, markup, &Record(&low_, markup));
  int x = -1, y = -1;
  if (!ParsePair(low_.text, &x, &y) || x != 0 || y != 0)
    Fail(low_.line, "<" + low_.name + "> " + Quote(low_.text) + " is not \"0 0\"");
}

void TileParser::ReadHigh(const Markup& markup) {
  ReadText(scanner_, markup, &Record(&high_, markup));
  int x = -1, y = -1;
  if (!ParsePair(high_.text, &x, &y) || x < 0 || y < 0)
    Fail(high_.line, "<" + high_.name + "> " + Quote(high_.text) +
                         " is not two whole numbers (columns - 1, rows - 1)");
  const uint64_t cells = (uint64_t(x) + 1) * (uint64_t(y) + 1);
  if (cells > kMaxTileCells)
    Fail(high_.line, "<" + high_.name + "> " + Quote(high_.text) + " makes " +
                         std::to_string(cells) + " cells, more than the " +
                         std::to_string(kMaxTileCells) + " a tile may have");
  tile_.head.columns = x + 1;
  tile_.head.rows = y + 1;
}

void TileParser::ReadSequenceRule(const Markup& markup) {
  Record(&rule_, markup);
  const std::optional<AttributeValue> order = scanner_.Attribute(markup, "order");
  if (order && order->value != "+x-y")
    Fail(order->line, "<" + rule_.name + "> order " + Quote(order->value) +
                          " is not supported: tuples must run row by row (+x-y)");
}

void TileParser::ReadStartPoint(const Markup& markup) {
  ReadText(scanner_, markup, &Record(&start_, markup));
  int x = -1, y = -1;
  if (!ParsePair(start_.text, &x, &y) || x < 0 || y < 0)
    Fail(start_.line, "<" + start_.name + "> " + Quote(start_.text) +
                          " is not two whole numbers (x y)");
  tile_.head.start_x = x;
  tile_.head.start_y = y;
}

bool TileParser::HeadComplete() const {
  return envelope_.seen && lower_.seen && upper_.seen && high_.seen;
}

// ------------------------------------------------------------ the cells

void TileParser::ReadList(const Markup& markup) {
  Record(&list_, markup);
  if (options_.head_only || markup.kind != MarkupKind::kStart) return;
  const TileHead& head = tile_.head;
  const std::string grid = "the grid has " + std::to_string(head.columns) + " x " +
                           std::to_string(head.rows) + " cells";
  TupleLimit limit{kMaxTileCells, "the most a tile may have"};
  if (high_.seen) {
    limit = {static_cast<size_t>(head.columns) * static_cast<size_t>(head.rows), grid};
    if (tile_.unit == Unit::kFloat) tile_.cells32.resize(limit.cells);
    else tile_.cells16.resize(limit.cells);
  }
  do {
    ReadTuples(window_, scanner_.encoding(), limit, &tile_);
  } while (scanner_.SkipComment());
}

void TileParser::Finish() {
  if (!any_markup_) Fail(0, "the file holds no XML elements");
  if (!dem_seen_) Fail(0, "not a DEM tile: the document has no DEM element");
  const std::pair<const Seen*, const char*> needed[] = {
      {&envelope_, "gml:Envelope (srsName)"}, {&lower_, "gml:lowerCorner"},
      {&upper_, "gml:upperCorner"},           {&high_, "gml:high (the grid size)"},
      {&list_, "gml:tupleList"},
  };
  for (const auto& [seen, name] : needed)
    if (!seen->seen) Fail(0, std::string("the DEM element has no ") + name);
  PlaceCells();
}

// Moves the tuples, read to the front of the cells, to their start point
// and makes every other cell no data.
void TileParser::PlaceCells() {
  TileHead& head = tile_.head;
  const uint64_t cells = uint64_t(head.columns) * uint64_t(head.rows);
  const std::string grid = std::to_string(head.columns) + " x " + std::to_string(head.rows);
  if (head.start_x >= head.columns || head.start_y >= head.rows)
    Fail(start_.line, "<" + start_.name + "> " + Quote(start_.text) + " lies outside the " +
                          grid + " grid");
  const uint64_t first = uint64_t(head.start_y) * uint64_t(head.columns) + uint64_t(head.start_x);
  if (first + head.tuples > cells)
    Fail(start_.seen ? start_.line : list_.line,
         std::to_string(head.tuples) + " tuples from the start point " +
             std::to_string(head.start_x) + " " + std::to_string(head.start_y) +
             " run past the " + grid + " grid");
  if (tile_.unit == Unit::kFloat)
    Place(tile_.cells32, cells, first, static_cast<float>(convert::kNoData));
  else
    Place(tile_.cells16, cells, first, convert::kNoData);
}

// Precondition: the tuples fit between `first` and `count`.
template <typename Cell>
void TileParser::Place(std::vector<Cell>& cells, uint64_t count, uint64_t first, Cell no_data) {
  const auto tuples = static_cast<ptrdiff_t>(tile_.head.tuples);
  const auto start = static_cast<ptrdiff_t>(first);
  cells.resize(static_cast<size_t>(count));
  std::move_backward(cells.begin(), cells.begin() + tuples, cells.begin() + start + tuples);
  std::fill(cells.begin(), cells.begin() + start, no_data);
  std::fill(cells.begin() + start + tuples, cells.end(), no_data);
}

void TileParser::Fail(uint64_t line, const std::string& message) const {
  throw TileError(line, message);
}

}  // namespace

Tile ReadTile(ByteSource& source, const ReadOptions& options) {
  return TileParser(source, options).Read();
}

}  // namespace tolvex::cli
