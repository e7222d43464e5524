// A stream of bytes a tile is read from: a file, or a member of a zip (of a
// zip...). Sources are read front to back once, in pieces, so a tile never
// needs to be held whole and a zip is never extracted to disk.
#pragma once
#include <cstddef>
#include <stdexcept>
#include <string>

namespace tolvex::cli {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Copies up to `capacity` bytes into `buffer`; the count copied, 0 only at
  // the end of the stream. A failure to read throws ReadError.
  virtual size_t Read(char* buffer, size_t capacity) = 0;
};

// The stream could not be read (an I/O error, a damaged zip member).
class ReadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace tolvex::cli
