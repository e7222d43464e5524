// The key decoder (see key_decoder.h). The table below is the one list of
// the escape sequences understood; xterm, VT220 and the Linux console send
// these for the editing keys.
#include "runtime/io/key_decoder.h"

#include <cstring>

#include "runtime/io/key_queue.h"
#include "runtime/os/code_page.h"

namespace tolvex::io {
namespace {

struct Sequence {
  const char* text;  // after ESC
  uint8_t key;       // 0: recognised but queues nothing (function keys)
};

// Longest match first where one sequence is a prefix of another.
constexpr Sequence kSequences[] = {
    {"[1;2H", kKeyClear},  // Shift+Home
    {"[A", kKeyUp},        {"[B", kKeyDown},       {"[C", kKeyRight},
    {"[D", kKeyLeft},      {"[H", kKeyHome},       {"[F", kKeyEnd},
    {"[E", kKeyClear},     // keypad 5 without NumLock: the Clear key
    {"OA", kKeyUp},        {"OB", kKeyDown},       {"OC", kKeyRight},
    {"OD", kKeyLeft},      {"OH", kKeyHome},       {"OF", kKeyEnd},
    {"OE", kKeyClear},     {"OM", kKeyEnter},      // keypad Enter
    {"[1~", kKeyHome},     {"[7~", kKeyHome},      {"[4~", kKeyEnd},
    {"[8~", kKeyEnd},      {"[2~", kKeyInsert},    {"[3~", kKeyDelete},
    {"[5~", kKeyPageUp},   {"[6~", kKeyPageDown},
};

enum class Match { kNone, kPartial, kWhole };

// Matches the bytes after ESC against the table.
Match MatchSequence(const std::string& text, size_t from, size_t* used, uint8_t* key) {
  size_t rest = text.size() - from;
  bool partial = false;
  for (const Sequence& s : kSequences) {
    size_t n = std::strlen(s.text);
    if (rest >= n && text.compare(from, n, s.text) == 0) {
      *used = n;
      *key = s.key;
      return Match::kWhole;
    }
    if (rest < n && std::string_view(s.text, rest) == std::string_view(text).substr(from))
      partial = true;
  }
  // Any other CSI or SS3 sequence (function keys, modified keys) is
  // swallowed whole so its bytes do not arrive as typed characters.
  if (rest >= 1 && (text[from] == '[' || text[from] == 'O')) {
    for (size_t i = from + 1; i < text.size(); ++i) {
      unsigned char c = static_cast<unsigned char>(text[i]);
      if (c >= 0x40 && c <= 0x7E && !(text[from] == '[' && i == from + 1 && c == '[')) {
        *used = i - from + 1;
        *key = 0;
        return Match::kWhole;
      }
      if (text[from] == 'O') break;
    }
    return Match::kPartial;
  }
  return partial ? Match::kPartial : Match::kNone;
}

size_t Utf8Length(unsigned char lead) {
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

}  // namespace

void DecodeKeys(KeyDecoder& decoder, const uint8_t* bytes, uint32_t length,
                std::string* keys, int* unmappable) {
  std::string& text = decoder.partial;
  text.append(reinterpret_cast<const char*>(bytes), length);
  size_t i = 0;
  while (i < text.size()) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == 0x1B) {
      size_t used = 0;
      uint8_t key = 0;
      Match match = i + 1 < text.size() ? MatchSequence(text, i + 1, &used, &key) : Match::kNone;
      if (match == Match::kPartial) break;  // the rest comes with the next read
      if (match == Match::kWhole) {
        if (key != 0) keys->push_back(static_cast<char>(key));
        i += 1 + used;
      } else {
        keys->push_back(static_cast<char>(kKeyEscape));
        ++i;
      }
      continue;
    }
    if (c == 0x7F) {  // the BackSpace key of most terminals
      keys->push_back(static_cast<char>(kKeyBackSpace));
      ++i;
      continue;
    }
    if (c < 0x80) {
      keys->push_back(static_cast<char>(c));
      ++i;
      continue;
    }
    size_t n = Utf8Length(c);
    if (i + n > text.size()) break;
    std::string cp932;
    if (n > 1 && os::Utf8ToCp932Exact(std::string_view(text).substr(i, n), &cp932) &&
        !cp932.empty()) {
      keys->append(cp932);
    } else {
      ++*unmappable;
    }
    i += n;
  }
  text.erase(0, i);
}

}  // namespace tolvex::io
