// Test vectors (see vectors.h).
#include "tests/support/vectors.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace tolvex::testing {
namespace {

// C escapes: \\ a backslash, \t a tab, \n a line feed, \xNN any byte.
std::string Unescape(std::string_view field) {
  const auto hex_at = [&](std::size_t at) {
    return at < field.size() && std::isxdigit(static_cast<unsigned char>(field[at]));
  };
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    const char kind = i + 1 < field.size() && field[i] == '\\' ? field[++i] : '\0';
    if (kind == '\0') {
      out += field[i];
    } else if (kind == 't' || kind == 'n') {
      out += kind == 't' ? '\t' : '\n';
    } else if (kind == 'x' && hex_at(i + 1) && hex_at(i + 2)) {
      out += static_cast<char>(std::stoi(std::string(field.substr(i + 1, 2)), nullptr, 16));
      i += 2;
    } else {
      out += kind;  // "\\" and any other escaped character stand for themselves
    }
  }
  return out;
}

}  // namespace

std::string Escaped(std::string_view bytes) {
  std::string out;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\x%02X", byte);
    out += byte >= 0x20 && byte < 0x7F && byte != '\\' ? std::string(1, c) : hex;
  }
  return out;
}

std::vector<VectorRow> ReadVectors(const std::string& name, std::size_t field_count) {
  return ReadVectorFile(std::string(TOLVEX_VECTORS_DIR) + "/" + name, field_count);
}

std::vector<VectorRow> ReadVectorFile(const std::string& path, std::size_t field_count) {
  std::vector<VectorRow> rows;
  std::ifstream file(path, std::ios::binary);
  if (!file) ADD_FAILURE() << "cannot read " << path;
  std::string line;
  for (int number = 1; std::getline(file, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // A comment is "#" alone or "# " and text; a data field that starts so
    // writes its "#" as \x23.
    if (line.empty() || line == "#" || line.starts_with("# ")) continue;
    VectorRow row{number, {}};
    for (std::size_t start = 0, tab = 0; tab != std::string::npos; start = tab + 1) {
      tab = line.find('\t', start);
      row.fields.push_back(Unescape(std::string_view(line).substr(start, tab - start)));
    }
    if (row.fields.size() == field_count) {
      rows.push_back(std::move(row));
    } else {
      ADD_FAILURE() << path << ":" << number << ": " << row.fields.size() << " fields, not "
                    << field_count << ": " << Escaped(line);
    }
  }
  if (rows.empty()) ADD_FAILURE() << path << " holds no rows";
  return rows;
}

long double ParseVectorNumber(const std::string& text) {
  const bool hex = text.find("0x") != std::string::npos || text.find("0X") != std::string::npos;
  char* end = nullptr;
  const long double value =
      hex ? std::strtold(text.c_str(), &end) : static_cast<long double>(std::strtod(text.c_str(), &end));
  if (text.empty() || *end != '\0') ADD_FAILURE() << "not a number: \"" << Escaped(text) << "\"";
  return value;
}

std::string ExtendedBits(long double value) {
  uint64_t significand;
  uint16_t sign_exponent;
  std::memcpy(&significand, &value, 8);
  std::memcpy(&sign_exponent, reinterpret_cast<const char*>(&value) + 8, 2);
  char text[96];
  std::snprintf(text, sizeof text, "%u:%04X:%016llX (%.21Lg)", sign_exponent >> 15,
                sign_exponent & 0x7FFFu, static_cast<unsigned long long>(significand), value);
  return text;
}

}  // namespace tolvex::testing
