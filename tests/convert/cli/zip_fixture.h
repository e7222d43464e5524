// Test inputs made on the spot: zips written with libarchive's writer (so
// the reader is checked against another implementation than its own
// assumptions), incompressible bytes, and a directory that removes itself.
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

// A name ending in "/" is a directory entry; a member with a link target
// a symbolic link.
struct ZipMember {
  std::string name;
  std::string bytes;
  std::string link_target = "";
};

enum class Packing { kStore, kDeflate };

// The bytes of a zip holding `members` in order. `passphrase` (when not
// empty) encrypts every member with the traditional zip cipher.
inline std::string ZipBytes(const std::vector<ZipMember>& members, Packing packing,
                            const std::string& passphrase = "") {
  std::string zip;
  archive* writer = archive_write_new();
  archive_write_set_format_zip(writer);
  archive_write_set_bytes_in_last_block(writer, 1);  // no padding after the zip
  archive_write_set_options(
      writer, packing == Packing::kStore ? "zip:compression=store" : "zip:compression=deflate");
  if (!passphrase.empty()) {
    archive_write_set_options(writer, "zip:encryption=zipcrypt");
    archive_write_set_passphrase(writer, passphrase.c_str());
  }
  const auto append = [](archive*, void* into, const void* bytes, size_t length) -> la_ssize_t {
    static_cast<std::string*>(into)->append(static_cast<const char*>(bytes), length);
    return static_cast<la_ssize_t>(length);
  };
  EXPECT_EQ(archive_write_open(writer, &zip, nullptr, append, nullptr), ARCHIVE_OK);
  for (const ZipMember& member : members) {
    archive_entry* entry = archive_entry_new();
    archive_entry_set_pathname(entry, member.name.c_str());
    const bool directory = !member.name.empty() && member.name.back() == '/';
    const bool link = !member.link_target.empty();
    archive_entry_set_filetype(entry, directory ? AE_IFDIR : link ? AE_IFLNK : AE_IFREG);
    archive_entry_set_symlink(entry, link ? member.link_target.c_str() : nullptr);
    archive_entry_set_perm(entry, 0644);
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
  uint32_t state = seed * 2654435761u + 1;
  for (char& byte : bytes) {
    state = state * 1664525u + 1013904223u;
    byte = static_cast<char>(state >> 24);
  }
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
  TempDir& operator=(const TempDir&) = delete;

  // `relative` under this directory, its parent directories made.
  std::string Write(const std::string& relative, const std::string& bytes) const {
    const std::filesystem::path path = std::filesystem::path(path_) / relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
  }
  std::string Path(const std::string& relative) const { return path_ + "/" + relative; }

 private:
  std::string path_;
};

}  // namespace tolvex::testing
