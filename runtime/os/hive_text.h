// The hive text form: the REGEDIT4-style text of the registry store's hives,
// written (section headers, value data, the rewrite that sets values) and
// read back (finding a value line, decoding its data). Holds no OS code.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tolvex::os {

enum class RegistryRoot { kCurrentUser, kLocalMachine };

// One value to set. Names are ASCII and compared without regard to case, as
// the system registry does. A string value holds code page 932 bytes.
struct RegistryValue {
  const char* name;
  bool is_number;
  std::string_view text;  // string values, without terminator
  uint32_t number;        // 32-bit number values
};

// The most values one rewrite sets.
inline constexpr std::size_t kMaxHiveValues = 16;

// ---------------------------------------------------------------- writing
// Everything in this part runs inside the fatal signal handler too: no
// allocation, no locale, no stdio.

// Where text goes: bytes land in `data`, and a sink without data only counts
// them, which is how a rewrite learns its exact size before the real buffer
// is allocated. Text that does not fit sets `overflow` and is dropped.
struct HiveSink {
  char* data;
  std::size_t capacity;
  std::size_t length = 0;
  bool overflow = false;

  void Put(std::string_view text);
  void Put(char c) { Put(std::string_view(&c, 1)); }
};

// The value data forms, as they follow '=' on a value line:
//   PutNumberData(out, 24)          dword:00000018
//   PutQuotedData(out, "C:\\d")     "C:\\d"   (only '"' and '\' are escaped)
//   PutHexStringData(out, "\x81")   hex(1):81,00   (raw bytes and their NUL)
void PutNumberData(HiveSink& out, uint32_t number);
void PutQuotedData(HiveSink& out, std::string_view text);
void PutHexStringData(HiveSink& out, std::string_view bytes);
// Whether `text` can stand between quotes: no control byte, and no byte from
// 0x80 on unless `allow_high` (UTF-8 text may hold them; raw bytes may not).
bool IsPrintable(std::string_view text, bool allow_high);
// Digits of `value`, e.g. 4021 -> "4021".
void PutDecimal(HiveSink& out, unsigned long value);

// "[HKEY_CURRENT_USER\<key>]" (or HKEY_LOCAL_MACHINE).
void PutSectionHeader(HiveSink& out, RegistryRoot root, std::string_view key);
std::string SectionHeader(RegistryRoot root, std::string_view key);

// A value ready to write: its name and the data that follows '='.
struct EncodedValue {
  std::string_view name;
  std::string_view data;
};

// Copies hive text `old_text` to `out` with `values` (at most kMaxHiveValues)
// set under the section `header`: values that exist are replaced in place
// (names in any case), the others are appended at the end of the section
// (before the blank lines that follow it), and a missing section is
// appended at the end of the text. Each value is written once: later copies
// of its line are dropped, so a hive that collected duplicates heals
// instead of growing with every rewrite. Lines end in LF whatever they ended
// in before; "REGEDIT4" heads the result. False when `out` overflows.
// Example: "" with {"LINE", "dword:00000018"} under "[HKEY_CURRENT_USER\K]"
// gives "REGEDIT4\n\n[HKEY_CURRENT_USER\K]\n\"LINE\"=dword:00000018\n\n".
bool RewriteHive(std::string_view old_text, std::string_view header, const EncodedValue* values,
                 std::size_t count, HiveSink& out);

// ---------------------------------------------------------------- reading

// The data of the last `name` line in the section `header` of `text` (names
// and headers in any case); false when there is none.
bool FindValueData(std::string_view text, std::string_view header, std::string_view name,
                   std::string_view* data);
// A quoted string's text with its escapes undone; false when `data` is not
// quoted. A hex(1) string's bytes without the terminating NUL; false when
// `data` is not one. A dword's number; false when `data` is not one.
bool UnquoteData(std::string_view data, std::string* text);
bool DecodeHexStringData(std::string_view data, std::string* bytes);
bool DecodeNumberData(std::string_view data, uint32_t* number);

}  // namespace tolvex::os
