// The formatter's output: a bounded byte buffer the literal copy, the layouts
// and the free form append to. Holds no OS code.
#pragma once
#include <cstdint>

namespace tolvex::numeric {

// Appends bytes to a caller's buffer of `capacity` bytes. The formatter sizes
// its buffer so a field always fits (picture length + 64); should a byte ever
// not fit it is dropped rather than written past the end.
class PictureText {
 public:
  PictureText(uint8_t* data, uint32_t capacity) : data_(data), capacity_(capacity) {}

  void Put(uint8_t byte) {
    if (length_ < capacity_) data_[length_++] = byte;
  }
  void Put(char c) { Put(static_cast<uint8_t>(c)); }
  void PutRepeated(char c, int32_t count) {
    for (int32_t i = 0; i < count; ++i) Put(c);
  }
  void PutText(const char* text) {
    while (*text != '\0') Put(*text++);
  }

  const uint8_t* data() const { return data_; }
  uint32_t length() const { return length_; }

 private:
  uint8_t* data_;
  uint32_t capacity_;
  uint32_t length_ = 0;
};

}  // namespace tolvex::numeric
