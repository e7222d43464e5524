// Code page conversion through the C library's iconv (see code_page.h).
#include "runtime/os/code_page.h"

#include <iconv.h>

#include <cerrno>

namespace tolvex::os {
namespace {

bool IsAscii(std::string_view text) {
  for (unsigned char c : text)
    if (c >= 0x80) return false;
  return true;
}

bool Convert(const char* to, const char* from, std::string_view in, std::string* out) {
  if (IsAscii(in)) {
    out->assign(in);
    return true;
  }
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  out->assign(in.size() * 3 + 8, '\0');
  char* src = const_cast<char*>(in.data());
  size_t src_left = in.size();
  char* dst = out->data();
  size_t dst_left = out->size();
  size_t rc = iconv(cd, &src, &src_left, &dst, &dst_left);
  bool ok = rc != static_cast<size_t>(-1) && src_left == 0;
  if (ok) ok = iconv(cd, nullptr, nullptr, &dst, &dst_left) != static_cast<size_t>(-1);
  iconv_close(cd);
  if (!ok) return false;
  out->resize(out->size() - dst_left);
  return true;
}

}  // namespace

bool Cp932ToUtf8(std::string_view cp932, std::string* out) {
  return Convert("UTF-8", "CP932", cp932, out);
}

bool Utf8ToCp932(std::string_view utf8, std::string* out) {
  return Convert("CP932", "UTF-8", utf8, out);
}

bool Utf8ToCp932Exact(std::string_view utf8, std::string* out) {
  std::string back;
  return Utf8ToCp932(utf8, out) && Cp932ToUtf8(*out, &back) && back == utf8;
}

}  // namespace tolvex::os
