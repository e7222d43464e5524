// Test vectors (see vectors.h).
#include "tests/support/vectors.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace tolvex::testing {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string Unescape(std::string_view field) {
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] != '\\' || i + 1 == field.size()) {
      out += field[i];
      continue;
    }
    const char kind = field[++i];
    if (kind == 't') {
      out += '\t';
    } else if (kind == 'n') {
      out += '\n';
    } else if (kind == 'x' && i + 2 < field.size() && HexValue(field[i + 1]) >= 0 &&
               HexValue(field[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(field[i + 1]) * 16 + HexValue(field[i + 2]));
      i += 2;
    } else {
      out += kind;  // "\\" and any other escaped character stand for themselves
    }
  }
  return out;
}

std::string Escaped(std::string_view bytes) {
  std::string out;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F && byte != '\\') {
      out += c;
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", byte);
      out += hex;
    }
  }
  return out;
}

namespace {

// A comment is "#" alone or "# " and text; a data field that starts so
// writes its "#" as \x23.
bool IsComment(const std::string& line) { return line == "#" || line.rfind("# ", 0) == 0; }

}  // namespace

std::vector<VectorRow> ReadVectors(const std::string& name, std::size_t field_count) {
  return ReadVectorFile(std::string(TOLVEX_VECTORS_DIR) + "/" + name, field_count);
}

std::vector<VectorRow> ReadVectorFile(const std::string& path, std::size_t field_count) {
  std::vector<VectorRow> rows;
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    ADD_FAILURE() << "cannot read " << path;
    return rows;
  }
  std::string line;
  int number = 0;
  while (std::getline(file, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || IsComment(line)) continue;
    VectorRow row{number, {}};
    std::size_t start = 0;
    for (;;) {
      const std::size_t tab = line.find('\t', start);
      row.fields.push_back(Unescape(std::string_view(line).substr(
          start, tab == std::string::npos ? std::string::npos : tab - start)));
      if (tab == std::string::npos) break;
      start = tab + 1;
    }
    if (row.fields.size() != field_count) {
      ADD_FAILURE() << path << ":" << number << ": " << row.fields.size() << " fields, not "
                    << field_count << ": " << Escaped(line);
      continue;
    }
    rows.push_back(std::move(row));
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
  unsigned char bytes[sizeof(long double)];
  std::memcpy(bytes, &value, sizeof value);
  uint64_t significand;
  uint16_t sign_exponent;
  std::memcpy(&significand, bytes, 8);
  std::memcpy(&sign_exponent, bytes + 8, 2);
  char text[96];
  std::snprintf(text, sizeof text, "%u:%04X:%016llX (%.21Lg)", sign_exponent >> 15,
                sign_exponent & 0x7FFFu, static_cast<unsigned long long>(significand), value);
  return text;
}

}  // namespace tolvex::testing
