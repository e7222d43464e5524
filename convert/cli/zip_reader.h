// One open zip, read through libarchive: a zip file on disk (through the
// file seam, seeking, so its central directory is used) or a zip stored in
// another zip (streamed from the parent's member, never extracted). Its
// members are visited in order; the current member reads as a ByteSource.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "convert/cli/byte_source.h"
#include "convert/cli/input_name.h"

struct archive;

namespace tolvex::cli {

class ZipFeed;  // where a zip's bytes come from: a file, or a parent's member

class ZipReader : public ByteSource {
 public:
  // Opens the zip file at `path`. It is read in blocks of at most 64 KiB;
  // `on_disk_read` (may be empty) hears the size of each block read.
  // With `need_directory` only a zip whose central directory is intact
  // opens: listing it then reads headers only. Without it a zip that lacks
  // one (a download cut short) is read from its start as a stream, so the
  // members before the cut can still be had.
  // Throws ReadError (the reason, not the path) when it cannot be opened.
  ZipReader(const std::string& path, bool need_directory,
            std::function<void(uint64_t)> on_disk_read = {});
  // Opens the zip that is the current member of `parent` (member_kind()
  // kZip), streaming it from the parent's data. `parent` must outlive this
  // reader and not move on while it is in use. Throws ReadError.
  explicit ZipReader(ZipReader& parent);
  ~ZipReader() override;
  ZipReader(const ZipReader&) = delete;
  ZipReader& operator=(const ZipReader&) = delete;

  // Moves to the next member, passing over the rest of the current one;
  // false at the end. Throws ReadError when the zip cannot be read any
  // further: a damaged archive or member header, or a member whose damage
  // broke the stream (libarchive refuses to go on after those).
  bool Next();

  // The current member (after Next gave true): its name as stored, e.g.
  // "sub/FG-GML-5339-45-DEM5A-20161001.XML"; what it is (KindOfName for a
  // regular file, kOther for directories and links); whether its data is
  // encrypted (the converter has no passphrases).
  const std::string& member_path() const { return member_path_; }
  InputKind member_kind() const { return member_kind_; }
  bool member_encrypted() const { return member_encrypted_; }
  // Reads the current member's data (decompressed): the count, 0 at its end.
  // Throws ReadError (a damaged member, a bad checksum at its end).
  size_t Read(char* buffer, size_t capacity) override;

 private:
  struct ArchiveFree {
    void operator()(archive* handle) const;
  };

  void Open();

  std::unique_ptr<ZipFeed> feed_;
  // Declared after the feed, so the archive is freed while its feed lives.
  std::unique_ptr<archive, ArchiveFree> archive_;
  std::string member_path_;
  InputKind member_kind_ = InputKind::kOther;
  bool member_encrypted_ = false;
  // Why the archive broke during a read: Next reports it, as libarchive
  // would only complain of being called in a broken state.
  std::string broken_;
};

}  // namespace tolvex::cli
