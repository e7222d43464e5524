// The tag-by-tag reader of a tile's markup (see element_scanner.h). Holds
// no OS code. Offsets from the window's position survive a Fill, pointers
// do not: every search below keeps offsets.
#include "convert/cli/element_scanner.h"

#include <cstring>

#include "convert/cli/tile.h"

namespace tolvex::cli {
namespace {

constexpr size_t kNotFound = std::string_view::npos;

// Longest markup opening told apart below: "<![CDATA[".
constexpr std::string_view kComment = "<!--";
constexpr std::string_view kCdata = "<![CDATA[";

bool StartsWith(const char* at, const char* end, std::string_view prefix) {
  return static_cast<size_t>(end - at) >= prefix.size() &&
         std::memcmp(at, prefix.data(), prefix.size()) == 0;
}

bool EndsName(char c) { return IsXmlSpace(c) || c == '/' || c == '>' || c == '?' || c == '='; }

uint64_t LinesBefore(std::string_view text, size_t offset) {
  uint64_t lines = 0;
  for (size_t i = 0; i < offset; ++i)
    if (text[i] == '\r' || (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))) ++lines;
  return lines;
}

}  // namespace

std::string_view Markup::LocalName() const {
  const std::string_view name = Name();
  const size_t colon = name.rfind(':');
  return colon == kNotFound ? name : name.substr(colon + 1);
}

// ------------------------------------------------------------ tags

const Markup& ElementScanner::Next() {
  for (;;) {
    SkipText();
    markup_.line = window_.line();
    if (!Ensure(1)) {
      markup_.kind = MarkupKind::kEndOfStream;
      markup_.text.clear();
      markup_.name_at = markup_.name_size = 0;
      return markup_;
    }
    Ensure(kCdata.size());
    size_t length;
    if (StartsWith(window_.pos(), window_.end(), kComment)) {
      length = Find("-->", kComment.size()) + 3;
    } else if (StartsWith(window_.pos(), window_.end(), kCdata)) {
      length = Find("]]>", kCdata.size()) + 3;
    } else if (StartsWith(window_.pos(), window_.end(), "<!")) {
      length = TagEnd() + 1;  // a document type
    } else if (StartsWith(window_.pos(), window_.end(), "<?")) {
      length = Find("?>", 2) + 2;
      markup_.kind = MarkupKind::kInstruction;
    } else {
      length = TagEnd() + 1;
      markup_.kind = MarkupKind::kStart;
    }
    const char* const start = window_.pos();
    if (start[1] == '!') {
      window_.Advance(start + length);
      continue;
    }
    markup_.text.assign(start, length);
    window_.Advance(start + length);
    break;
  }

  const std::string_view text = markup_.text;
  size_t name_at = 1;
  if (markup_.kind == MarkupKind::kInstruction) {
    name_at = 2;
  } else if (text[1] == '/') {
    markup_.kind = MarkupKind::kEnd;
    name_at = 2;
  } else if (text[text.size() - 2] == '/') {
    markup_.kind = MarkupKind::kEmpty;
  }
  size_t name_end = name_at;
  while (name_end < text.size() && !EndsName(text[name_end])) ++name_end;
  markup_.name_at = name_at;
  markup_.name_size = name_end - name_at;
  if (markup_.name_size == 0) Malformed(markup_, "has no name");
  return markup_;
}

std::optional<AttributeValue> ElementScanner::Attribute(const Markup& markup,
                                                        std::string_view local_name) const {
  const std::string_view text = markup.text;
  size_t at = markup.name_at + markup.name_size;
  for (;;) {
    while (at < text.size() && IsXmlSpace(text[at])) ++at;
    if (at >= text.size() || text[at] == '/' || text[at] == '>' || text[at] == '?')
      return std::nullopt;
    const size_t name_at = at;
    while (at < text.size() && !EndsName(text[at])) ++at;
    const std::string_view name = text.substr(name_at, at - name_at);
    while (at < text.size() && IsXmlSpace(text[at])) ++at;
    if (name.empty() || at >= text.size() || text[at] != '=')
      Malformed(markup, "has an attribute that is not name=\"value\"");
    ++at;
    while (at < text.size() && IsXmlSpace(text[at])) ++at;
    const char quote = at < text.size() ? text[at] : '\0';
    const size_t close = quote == '"' || quote == '\'' ? text.find(quote, at + 1) : kNotFound;
    if (close == kNotFound) Malformed(markup, "has an attribute value without quotes");
    const size_t colon = name.rfind(':');
    if (name.substr(colon == kNotFound ? 0 : colon + 1) == local_name)
      return AttributeValue{text.substr(at + 1, close - at - 1),
                            markup.line + LinesBefore(text, at + 1)};
    at = close + 1;
  }
}

// ------------------------------------------------------------ text

ElementText ElementScanner::Text(size_t limit) {
  SkipSpace();
  ElementText result;
  result.line = window_.line();
  for (;;) {
    const char* const from = window_.pos();
    const auto* less = static_cast<const char*>(
        std::memchr(from, '<', static_cast<size_t>(window_.end() - from)));
    const char* const to = less != nullptr ? less : window_.end();
    const size_t room = limit - result.text.size();
    result.text.append(from, std::min(room, static_cast<size_t>(to - from)));
    window_.Advance(to);
    if (less != nullptr || !window_.Fill()) break;
  }
  while (!result.text.empty() && IsXmlSpace(result.text.back())) result.text.pop_back();
  return result;
}

bool ElementScanner::SkipComment() {
  Ensure(kComment.size());
  if (!StartsWith(window_.pos(), window_.end(), kComment)) return false;
  const size_t length = Find("-->", kComment.size()) + 3;
  window_.Advance(window_.pos() + length);
  return true;
}

void ElementScanner::SkipText() {
  for (;;) {
    const char* const from = window_.pos();
    const auto* less = static_cast<const char*>(
        std::memchr(from, '<', static_cast<size_t>(window_.end() - from)));
    window_.Advance(less != nullptr ? less : window_.end());
    if (less != nullptr || !window_.Fill()) return;
  }
}

void ElementScanner::SkipSpace() {
  for (;;) {
    const char* p = window_.pos();
    while (p < window_.end() && IsXmlSpace(*p)) ++p;
    window_.Advance(p);
    if (p < window_.end() || !window_.Fill()) return;
  }
}

// ------------------------------------------------------------ searches

// True when at least `count` bytes stand after the position.
bool ElementScanner::Ensure(size_t count) {
  while (static_cast<size_t>(window_.end() - window_.pos()) < count)
    if (!window_.Fill()) return false;
  return true;
}

// The offset of `pattern` at or after offset `from`.
size_t ElementScanner::Find(std::string_view pattern, size_t from) {
  for (;;) {
    const std::string_view held(window_.pos(), static_cast<size_t>(window_.end() - window_.pos()));
    const size_t at = held.find(pattern, from);
    if (at != kNotFound) return at;
    if (held.size() >= pattern.size()) from = held.size() - pattern.size() + 1;
    if (!window_.Fill()) EndsInside();
  }
}

// The offset of the ">" that closes the markup at the position, not one
// inside quotes. (A document type's internal subset may end early here; what
// follows of it is declarations and text, which are skipped all the same.)
size_t ElementScanner::TagEnd() {
  char quote = '\0';
  for (size_t at = 1;; ++at) {
    if (window_.pos() + at == window_.end() && !window_.Fill()) EndsInside();
    const char c = window_.pos()[at];
    if (quote != '\0') {
      if (c == quote) quote = '\0';
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '>') {
      return at;
    }
  }
}

// ------------------------------------------------------------ failures

void ElementScanner::EndsInside() const {
  const std::string_view held(window_.pos(), static_cast<size_t>(window_.end() - window_.pos()));
  throw TileError(window_.line(), "the file ends inside the markup " + Quoted(held, encoding_));
}

void ElementScanner::Malformed(const Markup& markup, const char* what) const {
  throw TileError(markup.line, "the tag " + Quoted(markup.text, encoding_) + " " + what);
}

}  // namespace tolvex::cli
