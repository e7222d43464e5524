// Fuzz target: the keyboard, bytes typed at a terminal through the key
// decoder, then the keys through the line editor, entry after entry.
//
// Properties: the keys do not depend on where the bytes were cut (except
// after a lone ESC, which is the Escape key when nothing follows it yet) and
// only an unfinished key waits for more; the editor never writes past its
// buffer (allocated to its exact size), keeps the entry within its limit and
// the cursor on a character, and the screen shows the entry and the cursor
// where the layout rule puts them, inside the screen.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "runtime/core/error_codes.h"
#include "runtime/core/runtime_error.h"
#include "runtime/frame/runtime_reset.h"
#include "runtime/frontend/headless_window.h"
#include "runtime/io/console_screen.h"
#include "runtime/io/key_decoder.h"
#include "runtime/io/line_editor.h"
#include "runtime/io/window_system.h"
#include "runtime/os/code_page.h"

namespace tolvex::fuzz {
namespace {

struct Decoded {
  std::string keys;
  int unmappable = 0;
  std::string waiting;  // bytes the decoder still holds
  bool operator==(const Decoded&) const = default;
};

// Decodes `typed` in pieces that end at `cuts` (ascending offsets).
Decoded Decode(const std::string& typed, const std::vector<size_t>& cuts) {
  io::KeyDecoder decoder;
  Decoded decoded;
  size_t from = 0;
  for (size_t cut : cuts) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(typed.data() + from);
    io::DecodeKeys(decoder, bytes, static_cast<uint32_t>(cut - from), &decoded.keys,
                   &decoded.unmappable);
    from = cut;
  }
  decoded.waiting = decoder.partial;
  return decoded;
}

// What the decoder may hold back is one unfinished key only: part of a
// UTF-8 character, or ESC and the start of a CSI ("[") or SS3 ("O")
// sequence: parameter and intermediate bytes (0x20..0x3F; a second "["
// may follow the first "["), no final byte yet, never longer than the
// decoder's bound.
bool IsUnfinishedKey(const std::string& waiting) {
  if (waiting.empty()) return true;
  const auto lead = static_cast<unsigned char>(waiting[0]);
  if (lead >= 0xC0) return waiting.size() < (lead >= 0xF0 ? 4u : lead >= 0xE0 ? 3u : 2u);
  if (lead != 0x1B || waiting.size() < 2 || (waiting[1] != '[' && waiting[1] != 'O')) return false;
  if (waiting.size() > io::kLongestSequence) return false;
  for (size_t i = 2; i < waiting.size(); ++i) {
    const auto c = static_cast<unsigned char>(waiting[i]);
    const bool linux_function_key = i == 2 && waiting[1] == '[' && c == '[';
    if (!(c >= 0x20 && c <= 0x3F) && !linux_function_key) return false;
  }
  return true;
}

struct Cell {
  int32_t row;
  int32_t column;
};

// The layout rule: row after row from the entry's start, wrapping at the
// width; a double-byte character never starts in the last column. Checks
// that each character is on the screen and shown there; returns the cell of
// byte `until` (the cell after the entry when it is the length).
Cell CheckShown(const io::LineEditor& editor, uint32_t until) {
  const io::ConsoleScreen& screen = io::Screen();
  Cell at{editor.start_row, editor.start_column};
  for (uint32_t i = 0; i < editor.length;) {
    const bool pair = os::IsLeadByte(editor.buffer[i]) && i + 1 < editor.length;
    if (pair && at.column == editor.width - 1) at = {at.row + 1, 0};
    if (i == until) return at;
    FUZZ_CHECK(at.row >= 0 && at.row < screen.height);
    const io::ScreenRow& row = screen.rows[at.row];
    FUZZ_CHECK(row.chars[at.column] == editor.buffer[i]);
    if (pair) FUZZ_CHECK(row.chars[at.column + 1] == editor.buffer[i + 1]);
    at.column += pair ? 2 : 1;
    if (at.column >= editor.width) at = {at.row + 1, at.column - editor.width};
    i += pair ? 2 : 1;
  }
  return at;
}

void CheckEntry(const io::LineEditor& editor, uint32_t max_length) {
  FUZZ_CHECK(editor.max_length <= max_length && editor.length <= editor.max_length);
  uint32_t boundary = 0;
  while (boundary < editor.cursor)
    boundary += os::IsLeadByte(editor.buffer[boundary]) && boundary + 1 < editor.length ? 2 : 1;
  FUZZ_CHECK(boundary == editor.cursor && editor.cursor <= editor.length);
  const Cell cursor = CheckShown(editor, editor.cursor);
  FUZZ_CHECK(io::Screen().cursor_row == cursor.row && io::Screen().cursor_column == cursor.column);
}

// Feeds the keys to entry after entry; each starts where the last one left
// the screen's cursor.
void CheckEditor(const std::string& keys, uint32_t max_length) {
  std::vector<uint8_t> buffer(max_length + 1);
  io::LineEditor editor;
  io::BeginEdit(editor, buffer.data(), max_length);
  for (const char key : keys) {
    io::EditStep step = io::EditStep::kCut;
    try {
      step = io::FeedKey(editor, static_cast<uint8_t>(key));
    } catch (const core::RuntimeError& error) {
      core::Errors().processing = false;
      FUZZ_CHECK(error.code == core::kErrBreak && error.location == core::kLocBreak);
    }
    if (step == io::EditStep::kMore) {
      CheckEntry(editor, max_length);
      continue;
    }
    if (step == io::EditStep::kEntered) FUZZ_CHECK(buffer[editor.length] == 0);
    io::BeginEdit(editor, buffer.data(), max_length);
  }
}

// The provider takes its choices from the end: a seed is the typed bytes,
// then the piece sizes and their count, the limit, the column and the row.
std::vector<std::string> Seeds() {
  const std::string typed[] = {"abc\r",
                               "ab\x1b[DX\r",
                               "\xe6\xa8\x99\xe9\xab\x98\x7f\r",
                               "abc\x1b[H\x1b[2~XY\r",
                               "a\x1b\x1b[1;2H\x1bOMx\x1b[15~\r",
                               "\xef\xbd\xb1\xf0\x9f\x98\x80\x18q\r",
                               std::string(90, 'w') + "\x1b[D\x1b[3~\x05\r",
                               "\xe6\xa8\x99\xe6\xa8\x99\x1b[H\x1b[2~z\r"};
  std::vector<std::string> seeds;
  for (const std::string& keys : typed)
    for (const char column : {'\0', '\x4e', '\x4f'})
      seeds.push_back(keys + "\x03\x02\x05\x03" + "\xff" + column + "\x16");
  return seeds;
}

frontend::HeadlessWindow g_window;

}  // namespace
}  // namespace tolvex::fuzz

FUZZ_SEEDS(tolvex::fuzz::Seeds)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tolvex;
  frame::ResetRuntime();
  fuzz::g_window = frontend::HeadlessWindow{};
  fuzz::g_window.Open("fuzz");
  io::AttachWindow(&fuzz::g_window);
  FuzzedDataProvider input(data, size);
  const int row = input.ConsumeIntegralInRange(0, io::kScreenHeight - 1);
  const int column = input.ConsumeIntegralInRange(0, io::kScreenWidth - 1);
  const auto max_length = input.ConsumeIntegral<uint8_t>();
  std::vector<size_t> pieces(input.ConsumeIntegralInRange(0, 16));
  for (size_t& piece : pieces) piece = input.ConsumeIntegralInRange(1, 8);
  const std::string typed = input.ConsumeRemainingBytesAsString();

  // Cut where the pieces say, but never just after an ESC.
  std::vector<size_t> cuts;
  size_t at = 0;
  for (const size_t piece : pieces) {
    at += piece;
    if (at >= typed.size()) break;
    if (typed[at - 1] != '\x1b') cuts.push_back(at);
  }
  cuts.push_back(typed.size());
  const fuzz::Decoded decoded = fuzz::Decode(typed, cuts);
  FUZZ_CHECK(fuzz::Decode(typed, {typed.size()}) == decoded);
  FUZZ_CHECK(fuzz::IsUnfinishedKey(decoded.waiting));

  const std::string prompt =
      std::string(static_cast<size_t>(row), '\n') + std::string(static_cast<size_t>(column), '>');
  io::WriteConsoleBytes(reinterpret_cast<const uint8_t*>(prompt.data()),
                        static_cast<uint32_t>(prompt.size()));
  fuzz::CheckEditor(decoded.keys, max_length);
  io::AttachWindow(nullptr);
  return 0;
}
