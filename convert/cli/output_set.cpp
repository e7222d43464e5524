// Atomic output of a tile's files (see output_set.h).
#include "convert/cli/output_set.h"

#include <cerrno>

#include "runtime/os/batch_files.h"

namespace tolvex::cli {
namespace {

// The temporaries of one set, removed unless they were all renamed.
class Temporaries {
 public:
  ~Temporaries() {
    for (const std::string& path : paths_)
      if (!path.empty()) os::RemoveFile(path);
  }
  void Add(std::string path) { paths_.push_back(std::move(path)); }
  const std::string& operator[](size_t i) const { return paths_[i]; }
  void Forget(size_t i) { paths_[i].clear(); }

 private:
  std::vector<std::string> paths_;
};

[[noreturn]] void Fail(const std::string& path, const char* what, int error_number) {
  throw OutputError(path + ": " + what + ": " + os::ErrorText(error_number));
}

}  // namespace

std::string OutputPath(const std::string& directory, const std::string& name,
                       const std::string& extension) {
  if (directory.empty() || directory == ".") return name + extension;
  if (directory.back() == '/') return directory + name + extension;
  return directory + "/" + name + extension;
}

void WriteOutputs(const std::string& directory, const std::string& name,
                  const std::vector<OutputFile>& files, bool replace) {
  Temporaries temporaries;
  for (const OutputFile& file : files) {
    const std::string final_path = OutputPath(directory, name, file.extension);
    std::string temporary;
    os::BatchFile out = os::CreateTemporary(final_path, &temporary);
    if (!out.is_open()) Fail(final_path, "cannot create", errno);
    temporaries.Add(temporary);
    // A network file system may report a failed write only at the close.
    if (!out.Write(file.bytes.data(), file.bytes.size())) Fail(final_path, "cannot write", errno);
    if (!out.Close()) Fail(final_path, "cannot write", errno);
  }
  // Sidecars first, the raster last.
  std::vector<std::string> committed;
  auto undo = [&] {
    for (const std::string& path : committed) os::RemoveFile(path);
  };
  for (size_t j = 0; j < files.size(); ++j) {
    const size_t i = (j + 1) % files.size();  // 1, 2, ..., n-1, then 0
    const std::string final_path = OutputPath(directory, name, files[i].extension);
    if (!os::CommitFile(temporaries[i], final_path, replace)) {
      const int error_number = errno;
      undo();
      if (error_number == EEXIST)
        throw OutputError(final_path + " already exists (use --force to replace it)");
      Fail(final_path, "cannot rename into place", error_number);
    }
    temporaries.Forget(i);
    if (!replace) committed.push_back(final_path);
  }
}

}  // namespace tolvex::cli
