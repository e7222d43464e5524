// Encoding names and quoted text (see tile_encoding.h). Holds no OS code.
#include "convert/cli/tile_encoding.h"

#include <strings.h>

#include "runtime/os/code_page.h"

namespace tolvex::cli {
namespace {

struct EncodingName {
  const char* name;
  TileEncoding encoding;
};

const EncodingName kEncodingNames[] = {
    {"UTF-8", TileEncoding::kUtf8},          {"UTF8", TileEncoding::kUtf8},
    {"US-ASCII", TileEncoding::kUtf8},       {"Shift_JIS", TileEncoding::kShiftJis},
    {"Shift-JIS", TileEncoding::kShiftJis},  {"SJIS", TileEncoding::kShiftJis},
    {"windows-31j", TileEncoding::kShiftJis}, {"cp932", TileEncoding::kShiftJis},
    {"MS_Kanji", TileEncoding::kShiftJis},
};

// Long enough for any number or label a message names, short enough that
// a runaway text does not flood the report.
constexpr size_t kQuotedBytes = 40;

bool IsUtf8Continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The length of the longest prefix of at most `limit` bytes that ends
// between two characters.
size_t CharacterCut(std::string_view text, size_t limit, TileEncoding encoding) {
  if (text.size() <= limit) return text.size();
  if (encoding == TileEncoding::kUtf8) {
    size_t cut = limit;
    while (cut > 0 && IsUtf8Continuation(static_cast<unsigned char>(text[cut]))) --cut;
    return cut;
  }
  // A Shift_JIS trail byte looks like a lead or a plain byte: walk from the
  // start so that a pair is never split.
  size_t at = 0;
  while (at < limit) {
    const size_t width = os::IsLeadByte(static_cast<unsigned char>(text[at])) ? 2 : 1;
    if (at + width > limit) break;
    at += width;
  }
  return at;
}

// A UTF-8 text with every byte that does not belong to a well-formed
// character replaced by "?", so messages stay valid UTF-8.
std::string ValidUtf8(std::string_view text) {
  std::string out;
  for (size_t at = 0; at < text.size();) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const size_t width = lead < 0x80 ? 1 : lead >= 0xF0 && lead < 0xF5 ? 4
                                     : lead >= 0xE0                   ? 3
                                     : lead >= 0xC2 && lead < 0xE0    ? 2
                                                                      : 0;
    size_t good = width != 0 && at + width <= text.size() ? width : 0;
    for (size_t i = 1; i < good; ++i)
      if (!IsUtf8Continuation(static_cast<unsigned char>(text[at + i]))) good = 0;
    if (good == 0) {
      out += '?';
      ++at;
    } else {
      out.append(text.substr(at, good));
      at += good;
    }
  }
  return out;
}

// Shift_JIS to UTF-8 character by character where the whole text does not
// convert, so one stray byte does not hide the rest.
std::string Utf8OfShiftJis(std::string_view text) {
  std::string out;
  if (os::Cp932ToUtf8(text, &out)) return out;
  out.clear();
  std::string character;
  for (size_t at = 0; at < text.size();) {
    const size_t width = os::IsLeadByte(static_cast<unsigned char>(text[at])) ? 2 : 1;
    if (at + width <= text.size() && os::Cp932ToUtf8(text.substr(at, width), &character)) {
      out += character;
      at += width;
    } else {
      out += '?';
      ++at;
    }
  }
  return out;
}

}  // namespace

std::optional<TileEncoding> EncodingOfName(std::string_view name) {
  for (const EncodingName& row : kEncodingNames)
    if (name.size() == std::char_traits<char>::length(row.name) &&
        ::strncasecmp(row.name, name.data(), name.size()) == 0)
      return row.encoding;
  return std::nullopt;
}

std::string Quoted(std::string_view text, TileEncoding encoding) {
  const size_t cut = CharacterCut(text, kQuotedBytes, encoding);
  const std::string_view shown = text.substr(0, cut);
  std::string out = "\"";
  out += encoding == TileEncoding::kUtf8 ? ValidUtf8(shown) : Utf8OfShiftJis(shown);
  if (cut < text.size()) out += "...";
  out += '"';
  return out;
}

}  // namespace tolvex::cli
