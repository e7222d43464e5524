// The bytes that steer reading and writing text. All lie below 0x40, where
// no Shift-JIS trail byte does, so double-byte text passes through whole.
#pragma once
#include <array>
#include <cstdint>
#include <initializer_list>

namespace tolvex::io {

constexpr uint8_t kTab = 0x09;
constexpr uint8_t kLineFeed = 0x0A;
constexpr uint8_t kFormFeed = 0x0C;
constexpr uint8_t kCarriageReturn = 0x0D;
constexpr uint8_t kEndOfFileMark = 0x1A;
constexpr uint8_t kBlank = 0x20;
constexpr uint8_t kQuote = 0x22;
constexpr uint8_t kLineEnd[2] = {kCarriageReturn, kLineFeed};

// Items are separated by commas and colons.
constexpr bool IsSeparator(uint8_t byte) { return byte == ',' || byte == ':'; }

// A table of the bytes that steer nothing for a reader whose steering bytes
// are `steering`: runs of the others can be taken at once.
constexpr std::array<bool, 256> PlainBytes(std::initializer_list<uint8_t> steering) {
  std::array<bool, 256> plain{};
  plain.fill(true);
  for (uint8_t byte : steering) plain[byte] = false;
  return plain;
}

}  // namespace tolvex::io
