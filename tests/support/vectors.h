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
// directory. Empty lines and comments ("#" alone, or "# " and text) are
// skipped; a data field that begins so writes its "#" as \x23. Fields are
// split at tabs and unescaped (\\ \t \n \xNN). A missing file, an empty
// table and a row without exactly `field_count` fields are test failures.
std::vector<VectorRow> ReadVectors(const std::string& name, std::size_t field_count);
// The same for a table at any path.
std::vector<VectorRow> ReadVectorFile(const std::string& path, std::size_t field_count);

// Bytes for a failure message: printable ASCII as is, the rest as \xNN.
std::string Escaped(std::string_view bytes);

// A C99 hexadecimal float (exact) or a decimal text (nearest double); any
// other text is a test failure.
long double ParseVectorNumber(const std::string& text);
// The raw bits of an extended value, "sign:exponent:significand" in hex,
// with the decimal value beside it.
std::string ExtendedBits(long double value);

}  // namespace tolvex::testing
