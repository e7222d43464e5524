// The hive text form (see hive_text.h): writing and reading REGEDIT4 text.
#include "runtime/os/hive_text.h"

#include <cstring>

namespace tolvex::os {
namespace {

constexpr char kHeaderLine[] = "REGEDIT4";
constexpr char kHexDigits[] = "0123456789abcdef";

void PutHexByte(HiveSink& out, unsigned char byte) {
  out.Put(kHexDigits[byte >> 4]);
  out.Put(kHexDigits[byte & 0xF]);
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

std::string_view TrimRight(std::string_view line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
    line.remove_suffix(1);
  return line;
}

// Cuts the next line (without its end and trailing blanks) off `text`.
std::string_view NextLine(std::string_view text, std::size_t* pos) {
  std::size_t end = text.find('\n', *pos);
  if (end == std::string_view::npos) end = text.size();
  std::string_view line = TrimRight(text.substr(*pos, end - *pos));
  *pos = end + 1;
  return line;
}

// A value line `"NAME"=data`: the name between the quotes, or empty when the
// line is something else (a default value, a comment, garbage).
std::string_view ValueLineName(std::string_view line, std::string_view* data) {
  if (line.size() < 3 || line[0] != '"') return {};
  std::size_t i = 1;
  while (i < line.size() && line[i] != '"') i += (line[i] == '\\') ? 2 : 1;
  if (i >= line.size() || i + 1 >= line.size() || line[i + 1] != '=') return {};
  if (data) *data = line.substr(i + 2);
  return line.substr(1, i - 1);
}

void PutValueLine(HiveSink& out, const EncodedValue& value) {
  out.Put('"');
  out.Put(value.name);
  out.Put("\"=");
  out.Put(value.data);
  out.Put('\n');
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = Lower(c);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

// ================================================================ writing

void HiveSink::Put(std::string_view text) {
  if (overflow || capacity - length < text.size()) {
    overflow = true;
    return;
  }
  if (data != nullptr) std::memcpy(data + length, text.data(), text.size());
  length += text.size();
}

void PutNumberData(HiveSink& out, uint32_t number) {
  out.Put("dword:");
  for (int shift = 24; shift >= 0; shift -= 8)
    PutHexByte(out, static_cast<unsigned char>(number >> shift));
}

void PutQuotedData(HiveSink& out, std::string_view text) {
  out.Put('"');
  for (char c : text) {
    if (c == '"' || c == '\\') out.Put('\\');
    out.Put(c);
  }
  out.Put('"');
}

// With the terminating NUL, as the system's own export writes a string it
// cannot show.
void PutHexStringData(HiveSink& out, std::string_view bytes) {
  out.Put("hex(1):");
  for (unsigned char c : bytes) {
    PutHexByte(out, c);
    out.Put(',');
  }
  out.Put("00");
}

bool IsPrintable(std::string_view text, bool allow_high) {
  for (unsigned char c : text)
    if (c < 0x20 || c == 0x7F || (!allow_high && c >= 0x80)) return false;
  return true;
}

void PutDecimal(HiveSink& out, unsigned long value) {
  char digits[24];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (n > 0) out.Put(digits[--n]);
}

void PutSectionHeader(HiveSink& out, RegistryRoot root, std::string_view key) {
  out.Put('[');
  out.Put(root == RegistryRoot::kCurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE");
  out.Put('\\');
  out.Put(key);
  out.Put(']');
}

std::string SectionHeader(RegistryRoot root, std::string_view key) {
  HiveSink measure{nullptr, SIZE_MAX};
  PutSectionHeader(measure, root, key);
  std::string header(measure.length, '\0');
  HiveSink out{header.data(), header.size()};
  PutSectionHeader(out, root, key);
  return header;
}

bool RewriteHive(std::string_view old_text, std::string_view header, const EncodedValue* values,
                 std::size_t count, HiveSink& out) {
  if (count > kMaxHiveValues) return false;
  bool written[kMaxHiveValues] = {};
  bool in_target = false;
  bool found = false;
  int pending_blanks = 0;
  bool first = true;

  auto flush_unwritten = [&] {
    for (std::size_t i = 0; i < count; ++i)
      if (!written[i]) {
        PutValueLine(out, values[i]);
        written[i] = true;
      }
  };

  std::size_t pos = 0;
  while (pos < old_text.size()) {
    std::string_view line = NextLine(old_text, &pos);
    if (first) {
      first = false;
      if (!SameIgnoringCase(line, kHeaderLine)) out.Put("REGEDIT4\n\n");
    }
    if (line.empty()) {
      ++pending_blanks;
      continue;
    }
    if (line[0] == '[') {
      if (in_target) flush_unwritten();
      in_target = SameIgnoringCase(line, header);
      found = found || in_target;
    } else if (in_target) {
      std::string_view name = ValueLineName(line, nullptr);
      bool replaced = false;
      for (std::size_t i = 0; i < count && !name.empty() && !replaced; ++i) {
        if (!SameIgnoringCase(name, values[i].name)) continue;
        replaced = true;
        if (written[i]) break;
        for (; pending_blanks > 0; --pending_blanks) out.Put('\n');
        PutValueLine(out, values[i]);
        written[i] = true;
      }
      if (replaced) continue;
    }
    for (; pending_blanks > 0; --pending_blanks) out.Put('\n');
    out.Put(line);
    out.Put('\n');
  }
  if (first) out.Put("REGEDIT4\n");
  if (in_target) flush_unwritten();
  if (!found) {
    out.Put('\n');
    out.Put(header);
    out.Put('\n');
    flush_unwritten();
  }
  out.Put('\n');
  return !out.overflow;
}

// ================================================================ reading

bool FindValueData(std::string_view text, std::string_view header, std::string_view name,
                   std::string_view* data) {
  bool in_target = false;
  bool found = false;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::string_view line = NextLine(text, &pos);
    if (!line.empty() && line[0] == '[') {
      in_target = SameIgnoringCase(line, header);
      continue;
    }
    std::string_view value_data;
    if (in_target && SameIgnoringCase(ValueLineName(line, &value_data), name) && !name.empty()) {
      *data = value_data;
      found = true;
    }
  }
  return found;
}

bool UnquoteData(std::string_view data, std::string* text) {
  if (data.size() < 2 || data.front() != '"' || data.back() != '"') return false;
  text->clear();
  for (std::size_t i = 1; i + 1 < data.size(); ++i) {
    if (data[i] == '\\' && i + 2 < data.size()) ++i;
    text->push_back(data[i]);
  }
  return true;
}

bool DecodeHexStringData(std::string_view data, std::string* bytes) {
  constexpr std::string_view kForm = "hex(1):";
  if (data.substr(0, kForm.size()) != kForm) return false;
  bytes->clear();
  std::size_t i = kForm.size();
  while (i < data.size()) {
    if (data[i] == ',' || data[i] == ' ') {
      ++i;
      continue;
    }
    if (i + 1 >= data.size() || HexValue(data[i]) < 0 || HexValue(data[i + 1]) < 0) return false;
    bytes->push_back(static_cast<char>(HexValue(data[i]) * 16 + HexValue(data[i + 1])));
    i += 2;
  }
  if (!bytes->empty() && bytes->back() == '\0') bytes->pop_back();
  return true;
}

// Up to eight hex digits: a dword never holds more.
bool DecodeNumberData(std::string_view data, uint32_t* number) {
  constexpr std::string_view kForm = "dword:";
  if (data.substr(0, kForm.size()) != kForm || data.size() < 7 || data.size() > 14) return false;
  uint32_t value = 0;
  for (char c : data.substr(kForm.size())) {
    int digit = HexValue(c);
    if (digit < 0) return false;
    value = value * 16 + static_cast<uint32_t>(digit);
  }
  *number = value;
  return true;
}

}  // namespace tolvex::os
