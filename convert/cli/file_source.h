// A tile file on disk as a ByteSource, read through the file seam.
#pragma once
#include <string>

#include "convert/cli/byte_source.h"
#include "runtime/os/batch_files.h"

namespace tolvex::cli {

class FileSource : public ByteSource {
 public:
  // Opens the regular file at `path`. Throws ReadError naming the path and
  // the system's reason: "cannot open a/b.xml: No such file or directory".
  explicit FileSource(std::string path);

  // Throws ReadError "cannot read <path>: <reason>" when the read fails.
  size_t Read(char* buffer, size_t capacity) override;

 private:
  std::string path_;
  os::BatchFile file_;
};

}  // namespace tolvex::cli
