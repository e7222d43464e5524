// The markup of a tile read one tag at a time from its window: start, end
// and empty-element tags and processing instructions, with comments, CDATA
// and the document type skipped; element text on request. Only as much XML
// as tiles need: no entities, no namespaces beyond the name's prefix.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "convert/cli/tile_encoding.h"
#include "convert/cli/tile_window.h"

namespace tolvex::cli {

enum class MarkupKind { kStart, kEnd, kEmpty, kInstruction, kEndOfStream };

// One tag as written, from "<" to ">".
struct Markup {
  MarkupKind kind = MarkupKind::kEndOfStream;
  std::string text;
  size_t name_at = 0, name_size = 0;  // where the name stands in text
  uint64_t line = 0;  // line of the "<" (at kEndOfStream: the last line)

  // The qualified name ("gml:high"), or the target of "<?xml".
  std::string_view Name() const { return std::string_view(text).substr(name_at, name_size); }
  // The name without its prefix: "gml:high" → "high".
  std::string_view LocalName() const;
};

// An attribute value as written, with the line it starts on.
struct AttributeValue {
  std::string_view value;  // into Markup::text
  uint64_t line = 0;
};

// Element text with the line of its first non-blank byte.
struct ElementText {
  std::string text;  // blanks at both ends removed
  uint64_t line = 0;
};

class ElementScanner {
 public:
  explicit ElementScanner(TileWindow& window) : window_(window) {}

  // Quoted text in messages follows the document's encoding (UTF-8 until
  // the declaration says otherwise).
  void set_encoding(TileEncoding encoding) { encoding_ = encoding; }
  TileEncoding encoding() const { return encoding_; }

  // Skips the text at the window's position and returns the next tag or
  // processing instruction, valid until the next call; kEndOfStream once
  // the stream is exhausted. Throws TileError for the end of the stream
  // inside markup and for a tag without a name.
  const Markup& Next();

  // The text from the window's position up to the next "<" (after a start
  // tag: the element's content), at most `limit` bytes of it kept.
  ElementText Text(size_t limit);

  // When the window stands on a comment, consumes it and returns true.
  bool SkipComment();

  // The value of the attribute whose name without prefix is `local_name`
  // (the first one), or nothing. Throws TileError when the attributes
  // before it are not name="value" or name='value' pairs.
  std::optional<AttributeValue> Attribute(const Markup& markup,
                                          std::string_view local_name) const;

 private:
  bool Ensure(size_t count);
  size_t Find(std::string_view pattern, size_t from);
  size_t TagEnd();
  void SkipText();
  void SkipSpace();
  [[noreturn]] void EndsInside() const;
  [[noreturn]] void Malformed(const Markup& markup, const char* what) const;

  TileWindow& window_;
  TileEncoding encoding_ = TileEncoding::kUtf8;
  Markup markup_;
};

// Blanks between XML tokens: space, tab, CR, LF.
constexpr bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace tolvex::cli
