// StringValue: the record that stands for a string everywhere in the runtime.
// Code page 932 bytes, no terminator, any byte value (NUL included).
#pragma once
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace tolvex::text {

enum StringKind : uint8_t {
  kNeverAssigned = 0x00,  // a variable never assigned; reads as "" (also constants)
  kStringVariable = 0x10,
  kPushedLikeTemp = 0x11,  // pushed like a temporary; unused by the routine
  kFixedKind12 = 0x12,     // cannot be assigned to
  kFixedKind13 = 0x13,     // cannot be assigned to
  kTemporary = 0x20,
};

struct StringValue {
  uint8_t kind = kNeverAssigned;
  uint32_t length = 0;             // 0 .. 2,147,483,647
  const uint8_t* bytes = nullptr;  // null when length is 0
};

// A constant of the routine: kind 0, bytes in read-only data.
inline StringValue ConstText(std::string_view text) {
  return StringValue{kNeverAssigned, static_cast<uint32_t>(text.size()),
                     text.empty() ? nullptr
                                  : reinterpret_cast<const uint8_t*>(text.data())};
}

// A copy of the bytes, for tests and for the rare host call that needs one.
inline std::string Bytes(const StringValue& value) {
  return value.length == 0
             ? std::string()
             : std::string(reinterpret_cast<const char*>(value.bytes), value.length);
}

}  // namespace tolvex::text
