// Test vectors: rows of tab-separated fields read from tests/vectors/*.tsv,
// and the helpers that turn their fields into bytes and numbers.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace tolvex::testing {

struct VectorRow {
  int line;                         // 1-based line in the file, for messages
  std::vector<std::string> fields;  // unescaped bytes
};

// Reads every row of `name` (e.g. "value_of_text.tsv") from the vectors
// directory. Lines starting with "#" and empty lines are skipped; fields are
// split at tabs and unescaped. A missing file is a test failure, not an
// empty table.
std::vector<VectorRow> ReadVectors(const std::string& name);

// C escapes: \\ a backslash, \t a tab, \n a line feed, \xNN any byte.
std::string Unescape(std::string_view field);
// Bytes for a failure message: printable ASCII as is, the rest as \xNN.
std::string Escaped(std::string_view bytes);

// A C99 hexadecimal float (exact) or a decimal text (nearest double).
long double ParseVectorNumber(const std::string& text);
// The raw bits of an extended value, "sign:exponent:significand" in hex,
// with the decimal value beside it.
std::string ExtendedBits(long double value);

}  // namespace tolvex::testing
