// The two encodings a tile may be written in, named as XML declarations
// name them, and tile text quoted in messages. Both are scanned as plain
// bytes: `< > & " ' ,` and line ends never occur inside a character.
#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace tolvex::cli {

enum class TileEncoding { kUtf8, kShiftJis };

// The encoding of an `encoding="..."` name, letter case ignored: "UTF-8",
// "UTF8", "US-ASCII" → kUtf8; "Shift_JIS", "Shift-JIS", "SJIS",
// "windows-31j", "cp932", "MS_Kanji" → kShiftJis; any other → nothing.
std::optional<TileEncoding> EncodingOfName(std::string_view name);

// `text` in double quotes as UTF-8 for a message: at most 40 bytes of it,
// cut between characters and marked "...", a byte that is not a character
// of the encoding shown as "?".
// Example: (Shift_JIS bytes of 地表面,1,2, kShiftJis) → "\"地表面,1,2\"".
std::string Quoted(std::string_view text, TileEncoding encoding);

}  // namespace tolvex::cli
