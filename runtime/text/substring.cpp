// FindText and MidText (see substring.h). Byte positions, 1-based; ranges
// compare unsigned, so a negative start fails like a huge one.
#include "runtime/text/substring.h"

#include <cstring>

#include "runtime/core/error_codes.h"
#include "runtime/core/runtime_error.h"
#include "runtime/text/scratch_buffer.h"
#include "runtime/text/string_stack.h"

namespace tolvex::text {
namespace {
constexpr uint32_t kMaxPosition = 0x7FFFFFFF;

uint32_t Search(const StringValue& haystack, const StringValue& needle, uint32_t start) {
  if (haystack.length == 0 || start > haystack.length || haystack.length < needle.length)
    return 0;
  if (needle.length == 0) return start;
  // Every byte position counts, the second byte of a double-byte character too.
  const uint32_t last = haystack.length - needle.length + 1;
  for (uint32_t p = start; p <= last; ++p)
    if (std::memcmp(haystack.bytes + p - 1, needle.bytes, needle.length) == 0) return p;
  return 0;
}
}  // namespace

uint32_t FindText(uint32_t start) {
  StringValue haystack = PopText();
  StringValue needle = PopText();
  if (start == 0 || start > kMaxPosition) {
    ReleaseIfTemporary(haystack);
    ReleaseIfTemporary(needle);
    core::RaiseError(core::kErrIllegalArgument, core::kLocFindTextStart);
    return 0;
  }
  uint32_t result = Search(haystack, needle, start);
  ReleaseIfTemporary(haystack);
  ReleaseIfTemporary(needle);
  return result;
}

void MidText(uint32_t start, uint32_t length) {
  StringValue source = PopText();
  if (start == 0 || start > kMaxPosition || length > kMaxPosition) {
    ReleaseIfTemporary(source);
    core::RaiseError(core::kErrIllegalArgument, core::kLocMidTextRange);
    return;
  }
  uint32_t count = 0;
  if (start <= source.length) {
    uint32_t rest = source.length - start + 1;
    count = length < rest ? length : rest;
  }
  uint8_t* scratch = TryTakeScratch(count);
  if (scratch == nullptr) {
    ReleaseIfTemporary(source);
    core::RaiseError(core::kErrOutOfMemory, core::kLocScratchBuffer);
    return;
  }
  if (count > 0) std::memcpy(scratch, source.bytes + start - 1, count);
  ReleaseIfTemporary(source);
  NewTempText(count, scratch);
  GiveBackScratch();
}

}  // namespace tolvex::text
