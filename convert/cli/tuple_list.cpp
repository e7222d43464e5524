// The tuple loop (see tuple_list.h). Holds no OS code.
#include "convert/cli/tuple_list.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdint>
#include <string>
#include <vector>

#include "convert/cli/elevation_text.h"

namespace tolvex::cli {
namespace {

// What a byte means between and inside tuples. kStop ends a label or a
// value without belonging to the list: "<", and the window's NUL sentinel;
// a NUL or control byte inside the list stops it too, and fails it.
enum ByteClass : uint8_t { kPlain, kBlank, kLineEnd, kComma, kStop };

constexpr std::array<uint8_t, 256> MakeByteClasses() {
  std::array<uint8_t, 256> classes{};
  for (int c = 0; c < 0x20; ++c) classes[c] = kStop;
  classes[' '] = classes['\t'] = kBlank;
  classes['\r'] = classes['\n'] = kLineEnd;
  classes[','] = kComma;
  classes['<'] = kStop;
  return classes;
}
constexpr std::array<uint8_t, 256> kByteClass = MakeByteClasses();

uint8_t ClassOf(const char* p) { return kByteClass[static_cast<unsigned char>(*p)]; }

// A byte that may follow a value: a blank, a line end, or the "<" of the
// list's end tag.
bool EndsTuple(const char* p) {
  return ClassOf(p) == kBlank || ClassOf(p) == kLineEnd || *p == '<';
}

// ------------------------------------------------------------ failures
// Out of line: the loop carries only the branch that leads here.

// The tuple [tuple, end) is not label,value: `stop` is where its value
// ended, at a control byte, a second comma, or where no comma came.
[[noreturn, gnu::noinline]] void BadTuple(const char* tuple, const char* stop, const char* end,
                                          uint64_t line, TileEncoding encoding) {
  if (ClassOf(stop) == kStop && *stop != '<') {
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%02X", static_cast<unsigned char>(*stop));
    throw TileError(line, std::string("the tuple list holds the control byte ") + hex);
  }
  const std::string quoted = Quoted(std::string_view(tuple, static_cast<size_t>(end - tuple)),
                                    encoding);
  if (*stop == ',')
    throw TileError(line, "tuple " + quoted + " has more than two fields (label,value)");
  throw TileError(line, "tuple " + quoted + " is not label,value");
}

[[noreturn, gnu::noinline]] void BadValue(std::string_view value, ValueStatus status, Unit unit,
                                          uint64_t line, TileEncoding encoding) {
  if (status == ValueStatus::kNotANumber)
    throw TileError(line, "value " + Quoted(value, encoding) + " is not a number");
  const std::string elevation = "elevation " + std::string(value);
  switch (unit) {
    case Unit::kTenths:
      throw TileError(line, elevation +
                                " does not fit 16-bit tenths of a metre (use --unit m or f32)");
    case Unit::kMetres:
      throw TileError(line, elevation + " does not fit 16-bit whole metres (use --unit f32)");
    case Unit::kFloat: break;
  }
  throw TileError(line, elevation + " does not fit a 32-bit float");
}

[[noreturn, gnu::noinline]] void TooMany(const TupleLimit& limit, uint64_t line) {
  throw TileError(line, "more than " + std::to_string(limit.cells) + " tuples: " +
                            std::string(limit.reason));
}

// ------------------------------------------------------------ the loop

ValueStatus StoreCell(const char* value, size_t size, Unit unit, int16_t* cell) {
  return ElevationFromTerminatedText(value, size, unit, cell);
}
ValueStatus StoreCell(const char* value, size_t size, Unit, float* cell) {
  return ElevationFromTerminatedText(value, size, cell);
}

bool StorePlainCell(const char* value, size_t size, Unit unit, int16_t* cell) {
  return PlainElevation(value, size, unit, cell);
}
bool StorePlainCell(const char* value, size_t size, Unit, float* cell) {
  return PlainElevation(value, size, cell);
}

template <typename Cell>
class TupleReader {
 public:
  TupleReader(TileWindow& window, TileEncoding encoding, const TupleLimit& limit, Unit unit,
              std::vector<Cell>& cells, uint64_t* count)
      : window_(window), encoding_(encoding), limit_(limit), unit_(unit), cells_(cells),
        count_(count), out_(cells.data() + *count),
        out_end_(cells.data() + std::min(cells.size(), limit.cells)) {}

  void Run();

 private:
  void Store(char* text, size_t size, uint64_t line);

  TileWindow& window_;
  TileEncoding encoding_;
  const TupleLimit& limit_;
  Unit unit_;
  std::vector<Cell>& cells_;
  uint64_t* count_;
  Cell* out_;      // the next cell to convert into
  Cell* out_end_;  // the end of the cells in use
};

template <typename Cell>
void TupleReader<Cell>::Run() {
  char* p = window_.pos();
  const char* end = window_.end();
  uint64_t line = window_.line();
  for (;;) {
    // Blanks and line ends before the tuple. CR, and LF unless it completes
    // a CR LF: p[-1] is always readable.
    for (;; ++p) {
      const char c = *p;
      if (c == ' ' || c == '\t') continue;
      if (c == '\r' || (c == '\n' && p[-1] != '\r')) ++line;
      else if (c != '\n') break;
    }
    if (*p == '<') break;
    char* const tuple = p;
    while (ClassOf(p) == kPlain) ++p;
    char* const comma = p;
    if (*p == ',') {
      ++p;
      while (ClassOf(p) == kPlain) ++p;
    }
    char* const value_end = p;
    while (ClassOf(p) == kPlain || ClassOf(p) == kComma) ++p;  // more fields: for the message
    if (p == end) {
      // The piece ends inside this tuple (or before it): read on, then take
      // it again from its start.
      window_.Jump(tuple, line);
      const bool more = window_.Fill();
      p = window_.pos();
      end = window_.end();
      if (!more) break;
      continue;
    }
    if (*comma != ',' || p != value_end || !EndsTuple(p))
      BadTuple(tuple, value_end, p, line, encoding_);
    Store(comma + 1, static_cast<size_t>(value_end - comma - 1), line);
  }
  window_.Jump(p, line);
  *count_ = static_cast<uint64_t>(out_ - cells_.data());
}

template <typename Cell>
void TupleReader<Cell>::Store(char* text, size_t size, uint64_t line) {
  if (out_ == out_end_) {
    const size_t count = static_cast<size_t>(out_ - cells_.data());
    if (count >= limit_.cells) TooMany(limit_, line);
    cells_.resize(std::min(limit_.cells, std::max<size_t>(count * 2, 4096)));
    out_ = cells_.data() + count;
    out_end_ = cells_.data() + cells_.size();
  }
  if (!StorePlainCell(text, size, unit_, out_)) [[unlikely]] {
    // Any other shape takes the general scan. The byte after the value (a
    // blank, a line end or "<") stands in for the terminator it needs.
    char* const after = text + size;
    const char saved = *after;
    *after = '\0';
    const ValueStatus status = StoreCell(text, size, unit_, out_);
    *after = saved;
    if (status != ValueStatus::kOk)
      BadValue(std::string_view(text, size), status, unit_, line, encoding_);
  }
  ++out_;
}

}  // namespace

void ReadTuples(TileWindow& window, TileEncoding encoding, const TupleLimit& limit,
                Tile* tile) {
  if (tile->unit == Unit::kFloat)
    TupleReader(window, encoding, limit, tile->unit, tile->cells32, &tile->head.tuples).Run();
  else
    TupleReader(window, encoding, limit, tile->unit, tile->cells16, &tile->head.tuples).Run();
}

}  // namespace tolvex::cli
