// Test inputs made on the spot: a directory of a test's own with tiles from
// tolvex-make-tile, the build tree's programs run in it; zips written by
// libarchive's writer (so the reader meets another implementation than its
// own assumptions); incompressible bytes; a byte source handing out pieces.
#pragma once
#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "convert/cli/byte_source.h"

namespace tolvex::testing {

// `text` as one word of the shell (no path here holds a quote).
inline std::string Quote(const std::string& text) { return "'" + text + "'"; }

class ScratchDir {
 public:
  ScratchDir() {
    char pattern[] = "/tmp/tolvex-test-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) std::abort();  // nowhere to work: nothing can run
    path_ = pattern;
  }
  ~ScratchDir() { std::filesystem::remove_all(path_); }
  ScratchDir(const ScratchDir&) = delete;

  std::string Path(const std::string& relative) const { return path_ + "/" + relative; }
  std::string Read(const std::string& relative) const {
    std::stringstream content;
    content << std::ifstream(Path(relative), std::ios::binary).rdbuf();
    return content.str();
  }
  bool Exists(const std::string& relative) const { return std::filesystem::exists(Path(relative)); }
  // `relative` under this directory, its parent directories made; its path.
  std::string Write(const std::string& relative, const std::string& bytes) const {
    std::filesystem::create_directories(std::filesystem::path(Path(relative)).parent_path());
    std::ofstream(Path(relative), std::ios::binary) << bytes;
    return Path(relative);
  }

  // `command` run by the shell in this directory: its exit status, -1 when
  // a signal ended it.
  int Run(const std::string& command) const {
    const int status = std::system(("cd " + Quote(path_) + " && " + command).c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  // A tile made by tolvex-make-tile; `options` as the shell reads them.
  void MakeTile(const std::string& name, const std::string& options) const {
    Write(name, "");  // its directories
    const std::string command =
        Quote(TOLVEX_BINARY_DIR "/tools/tolvex-make-tile") + " " + options + " " + Quote(name);
    ASSERT_EQ(Run(command), 0) << command;
  }

 private:
  std::string path_;
};

struct ZipMember {
  std::string name, bytes;
  std::string link_target = "";  // when set, the member is a symbolic link
};

enum class Packing { kStore, kDeflate };

// The bytes of a zip holding `members` in order.
inline std::string ZipBytes(const std::vector<ZipMember>& members,
                            Packing packing = Packing::kStore) {
  std::string zip;
  archive* writer = archive_write_new();
  archive_write_set_format_zip(writer);
  archive_write_set_bytes_in_last_block(writer, 1);  // no padding after the zip
  archive_write_set_options(
      writer, packing == Packing::kStore ? "zip:compression=store" : "zip:compression=deflate");
  const auto append = [](archive*, void* into, const void* bytes, size_t length) -> la_ssize_t {
    static_cast<std::string*>(into)->append(static_cast<const char*>(bytes), length);
    return static_cast<la_ssize_t>(length);
  };
  EXPECT_EQ(archive_write_open(writer, &zip, nullptr, append, nullptr), ARCHIVE_OK);
  for (const ZipMember& member : members) {
    archive_entry* entry = archive_entry_new();
    archive_entry_set_pathname(entry, member.name.c_str());
    archive_entry_set_filetype(entry, member.link_target.empty() ? AE_IFREG : AE_IFLNK);
    archive_entry_set_symlink(entry, member.link_target.c_str());
    archive_entry_set_size(entry, static_cast<la_int64_t>(member.bytes.size()));
    EXPECT_EQ(archive_write_header(writer, entry), ARCHIVE_OK);
    archive_write_data(writer, member.bytes.data(), member.bytes.size());
    archive_entry_free(entry);
  }
  EXPECT_EQ(archive_write_free(writer), ARCHIVE_OK);  // closes it first
  return zip;
}

// `length` bytes that deflate cannot shrink, the same for the same seed.
inline std::string Noise(size_t length, uint32_t seed) {
  std::string bytes(length, '\0');
  for (char& byte : bytes) byte = static_cast<char>((seed = seed * 1664525u + 1013904223u) >> 24);
  return bytes;
}

}  // namespace tolvex::testing

namespace tolvex::cli {

// A string handed out at most `piece` bytes at a time, so a reader can be
// shown not to care where its pieces end.
struct PieceSource : ByteSource {
  PieceSource(std::string text_in, size_t piece_in) : text(std::move(text_in)), piece(piece_in) {}
  size_t Read(char* buffer, size_t capacity) override {
    const size_t count = text.copy(buffer, std::min(capacity, piece), at);
    at += count;
    return count;
  }
  std::string text;
  size_t piece, at = 0;
};

}  // namespace tolvex::cli
