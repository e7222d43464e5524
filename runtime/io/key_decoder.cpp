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
  uint8_t key;
};

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

// The shape of a CSI (ESC [) or SS3 (ESC O) sequence: parameter and
// intermediate bytes (SS3 takes them for modified keys: ESC O 2 P), then
// one final byte.
bool ContinuesSequence(unsigned char c) { return c >= 0x20 && c <= 0x3F; }
bool EndsSequence(unsigned char c) { return c >= 0x40 && c <= 0x7E; }

enum class Match {
  kNone,     // no sequence: ESC is the Escape key
  kPartial,  // the rest has not arrived
  kWhole,    // *used bytes after ESC; *key, 0 when it queues nothing
  kBroken,   // *used bytes after ESC, then a byte that cannot continue them
};

// Matches the bytes after ESC. A CSI or SS3 sequence not in the table
// (function keys, modified keys) is swallowed whole so its bytes do not
// arrive as typed characters.
Match MatchSequence(const std::string& text, size_t from, size_t* used, uint8_t* key) {
  for (const Sequence& s : kSequences) {
    size_t n = std::strlen(s.text);
    if (text.compare(from, n, s.text) == 0) {
      *used = n;
      *key = s.key;
      return Match::kWhole;
    }
  }
  char intro = text[from];
  if (intro != '[' && intro != 'O') return Match::kNone;
  for (size_t i = from + 1; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    // ESC [ [ A..E: the Linux console's F1..F5
    bool linux_function_key = intro == '[' && i == from + 1 && c == '[';
    if (EndsSequence(c) && !linux_function_key) {
      *used = i - from + 1;
      *key = 0;
      return Match::kWhole;
    }
    if (!ContinuesSequence(c) && !linux_function_key) {
      *used = i - from;
      return Match::kBroken;
    }
  }
  return Match::kPartial;
}

// 0 for a byte that starts no character (a trail byte, C0, C1, F5..FF).
size_t Utf8Length(unsigned char lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

bool IsUtf8Trail(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

void DecodeKeys(KeyDecoder& decoder, const uint8_t* bytes, uint32_t length,
                std::string* keys, int* unmappable) {
  std::string& text = decoder.partial;
  text.append(reinterpret_cast<const char*>(bytes), length);
  size_t i = 0;
  while (i < text.size()) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (decoder.skipping) {
      if (ContinuesSequence(c) || EndsSequence(c)) {
        decoder.skipping = !EndsSequence(c);
        ++i;
        continue;
      }
      decoder.skipping = false;  // a key of its own
    }
    if (c == 0x1B) {
      size_t used = 0;
      uint8_t key = 0;
      Match match = i + 1 < text.size() ? MatchSequence(text, i + 1, &used, &key) : Match::kNone;
      if (match == Match::kPartial) {
        if (text.size() - i <= kLongestSequence) break;  // the rest comes with the next read
        decoder.skipping = true;  // no key is this long: drop it to its end
        i = text.size();
      } else if (match == Match::kWhole) {
        if (key != 0) keys->push_back(static_cast<char>(key));
        i += 1 + used;
      } else if (match == Match::kBroken) {
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
    size_t have = 1;
    while (have < n && i + have < text.size() && IsUtf8Trail(text[i + have])) ++have;
    if (have < n && i + have == text.size()) break;  // the rest comes with the next read
    std::string cp932;
    if (have == n && os::Utf8ToCp932Exact(std::string_view(text).substr(i, n), &cp932) &&
        !cp932.empty()) {
      keys->append(cp932);
    } else {
      ++*unmappable;
    }
    i += have;
  }
  text.erase(0, i);
}

bool AwaitsRest(const KeyDecoder& decoder) {
  return !decoder.partial.empty() || decoder.skipping;
}

void EndIncomplete(KeyDecoder& decoder, int* unmappable) {
  if (!decoder.partial.empty() && decoder.partial[0] != '\x1b') ++*unmappable;
  decoder.partial.clear();
  decoder.skipping = false;
}

}  // namespace tolvex::io
