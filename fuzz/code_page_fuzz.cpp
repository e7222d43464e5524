// Fuzz target: code page conversion, any bytes taken as code page 932 and
// as UTF-8.
//
// Properties: what converts one way converts back, and a second round trip
// changes nothing (a character with two codes settles on one); ASCII passes
// unchanged; the UTF-8 produced is well formed; texts convert piece by piece.
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "runtime/os/code_page.h"

namespace tolvex::fuzz {
namespace {

bool IsAscii(std::string_view text) {
  for (const unsigned char c : text)
    if (c >= 0x80) return false;
  return true;
}

// Well-formed UTF-8: shortest forms, no surrogates, nothing above U+10FFFF.
bool IsWellFormedUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const size_t length = lead < 0x80    ? 1
                          : lead >= 0xF0 ? 4
                          : lead >= 0xE0 ? 3
                          : lead >= 0xC2 ? 2
                                         : 0;
    if (length == 0 || i + length > text.size() || lead > 0xF4) return false;
    uint32_t code = length == 1 ? lead : lead & (0x7Fu >> length);
    for (size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = code << 6 | (next & 0x3Fu);
    }
    const uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < smallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
      return false;
    i += length;
  }
  return true;
}

// From code page 932: its UTF-8 converts back, and that back again to the
// same UTF-8.
void CheckFromCp932(std::string_view bytes) {
  std::string utf8;
  if (!os::Cp932ToUtf8(bytes, &utf8)) return;
  FUZZ_CHECK(IsWellFormedUtf8(utf8));
  FUZZ_CHECK(utf8.size() <= 3 * bytes.size());
  std::string cp932;
  FUZZ_CHECK(os::Utf8ToCp932(utf8, &cp932));
  std::string again;
  FUZZ_CHECK(os::Cp932ToUtf8(cp932, &again) && again == utf8);
}

// From UTF-8: only well-formed text converts, and its code page 932 form
// goes to UTF-8 and back unchanged.
void CheckFromUtf8(std::string_view bytes) {
  std::string cp932;
  if (!os::Utf8ToCp932(bytes, &cp932)) return;
  FUZZ_CHECK(IsWellFormedUtf8(bytes));
  std::string utf8;
  FUZZ_CHECK(os::Cp932ToUtf8(cp932, &utf8));
  std::string again;
  FUZZ_CHECK(os::Utf8ToCp932(utf8, &again) && again == cp932);
}

// Texts that convert on their own convert together to the two results
// joined: a conversion keeps no state from one character to the next.
void CheckJoined(std::string_view bytes, size_t split,
                 bool (*convert)(std::string_view, std::string*)) {
  std::string first, second, whole;
  if (!convert(bytes.substr(0, split), &first) || !convert(bytes.substr(split), &second)) return;
  FUZZ_CHECK(convert(bytes, &whole) && whole == first + second);
}

std::vector<std::string> Seeds() {
  return {"tile.xml",
          "\x95\x57\x8D\x82",
          "\xe6\xa8\x99\xe9\xab\x98",
          "\x87\x54\xFA\x4A\xED\x40",
          "\xb1\xb2\xb3",
          "\x81\x60\xe3\x80\x9c\xef\xbd\x9e",
          "\x80\xa0\xfd\xfe\xff",
          "\xf0\x9f\x98\x80\xed\xa0\x80"};
}

}  // namespace
}  // namespace tolvex::fuzz

FUZZ_SEEDS(tolvex::fuzz::Seeds)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tolvex;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (fuzz::IsAscii(bytes)) {
    std::string out;
    FUZZ_CHECK(os::Cp932ToUtf8(bytes, &out) && out == bytes);
    FUZZ_CHECK(os::Utf8ToCp932(bytes, &out) && out == bytes);
  }
  fuzz::CheckFromCp932(bytes);
  fuzz::CheckFromUtf8(bytes);
  const size_t split = size == 0 ? 0 : data[0] % (size + 1);
  fuzz::CheckJoined(bytes, split, os::Cp932ToUtf8);
  fuzz::CheckJoined(bytes, split, os::Utf8ToCp932);
  return 0;
}
