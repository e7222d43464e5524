// Test inputs made on the spot: zips written by libarchive's writer (so the
// reader meets another implementation than its own assumptions),
// incompressible bytes, and a directory that removes itself.
#pragma once
#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tolvex::testing {

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
  EXPECT_EQ(archive_write_close(writer), ARCHIVE_OK);
  archive_write_free(writer);
  return zip;
}

// `length` bytes that deflate cannot shrink, the same for the same seed.
inline std::string Noise(size_t length, uint32_t seed) {
  std::string bytes(length, '\0');
  for (char& byte : bytes) byte = static_cast<char>((seed = seed * 1664525u + 1013904223u) >> 24);
  return bytes;
}

class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/tolvex-cli-test-XXXXXX";
    path_ = ::mkdtemp(pattern);
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  TempDir(const TempDir&) = delete;

  // `relative` under this directory, its parent directories made.
  std::string Write(const std::string& relative, const std::string& bytes) const {
    std::filesystem::create_directories(std::filesystem::path(Path(relative)).parent_path());
    std::ofstream(Path(relative), std::ios::binary) << bytes;
    return Path(relative);
  }
  std::string Path(const std::string& relative) const { return path_ + "/" + relative; }

 private:
  std::string path_;
};

}  // namespace tolvex::testing
