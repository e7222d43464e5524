// A tile file as a ByteSource (see file_source.h).
#include "convert/cli/file_source.h"

#include <cerrno>
#include <utility>

namespace tolvex::cli {

FileSource::FileSource(std::string path)
    : path_(std::move(path)), file_(os::OpenForReading(path_)) {
  if (!file_.is_open()) throw ReadError("cannot open " + path_ + ": " + os::ErrorText(errno));
}

size_t FileSource::Read(char* buffer, size_t capacity) {
  const ssize_t count = file_.Read(buffer, capacity);
  if (count < 0) throw ReadError("cannot read " + path_ + ": " + os::ErrorText(errno));
  return static_cast<size_t>(count);
}

}  // namespace tolvex::cli
