// One open zip through libarchive (see zip_reader.h). libarchive does the
// system calls only through the feeds here, which go through the file seam.
#include "convert/cli/zip_reader.h"

#include <archive.h>
#include <archive_entry.h>

#include <cerrno>
#include <new>
#include <utility>
#include <vector>

#include "runtime/os/batch_files.h"

namespace tolvex::cli {

// Hands libarchive its callbacks, with itself as their data.
class ZipFeed {
 public:
  virtual ~ZipFeed() = default;
  virtual void Attach(archive* handle) = 0;
};

namespace {

// The largest block a feed hands libarchive at once. libarchive reads on
// past the end of a member it is given; a share passing over its
// neighbours' members would read half a block of each for nothing, so
// blocks stay small: syscalls of 64 KiB cost little beside their copying.
constexpr size_t kBlockBytes = 64 * 1024;
// The first read after a seek or skip: between members libarchive only
// needs the next member's local header (some 100 bytes), and when it goes
// on reading the member's data, full blocks follow.
constexpr size_t kFirstDiskBlock = 4 * 1024;

std::string ErrorOf(archive* handle) {
  const char* text = archive_error_string(handle);
  std::string message = text != nullptr ? text : "unknown archive error";
  // Some of libarchive's messages end in a line feed; ours never do.
  while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) message.pop_back();
  return message;
}

void SetSystemError(archive* handle, int error_number) {
  archive_set_error(handle, error_number, "%s", os::ErrorText(error_number).c_str());
}

// A zip file on disk. Seeking lets libarchive read the central directory
// at the end first and jump over members it does not need.
class DiskFeed : public ZipFeed {
 public:
  DiskFeed(const std::string& path, std::function<void(uint64_t)> on_read)
      : file_(os::OpenForReading(path)), on_read_(std::move(on_read)), block_(kBlockBytes) {
    if (!file_.is_open()) throw ReadError(os::ErrorText(errno));
  }

  void Attach(archive* handle) override {
    archive_read_set_read_callback(handle, &DiskFeed::ReadBlock);
    archive_read_set_seek_callback(handle, &DiskFeed::SeekTo);
    archive_read_set_skip_callback(handle, &DiskFeed::SkipOver);
    archive_read_set_callback_data(handle, this);
  }

 private:
  static la_ssize_t ReadBlock(archive* handle, void* data, const void** block) {
    DiskFeed& feed = *static_cast<DiskFeed*>(data);
    const ssize_t count = feed.file_.Read(feed.block_.data(), feed.next_block_);
    if (count < 0) {
      SetSystemError(handle, errno);
      return ARCHIVE_FATAL;
    }
    feed.next_block_ = kBlockBytes;
    if (feed.on_read_ && count > 0) feed.on_read_(static_cast<uint64_t>(count));
    *block = feed.block_.data();
    return count;
  }

  static la_int64_t SeekTo(archive* handle, void* data, la_int64_t offset, int whence) {
    DiskFeed& feed = *static_cast<DiskFeed*>(data);
    int64_t position = 0;
    if (!feed.file_.Seek(offset, whence, &position)) {
      SetSystemError(handle, errno);
      return ARCHIVE_FATAL;
    }
    feed.next_block_ = kFirstDiskBlock;
    return position;
  }

  // Skips by seeking. Past the end of a zip cut short, the next read finds
  // nothing and libarchive reports the truncation.
  static la_int64_t SkipOver(archive*, void* data, la_int64_t request) {
    DiskFeed& feed = *static_cast<DiskFeed*>(data);
    if (!feed.file_.Seek(request, SEEK_CUR, nullptr)) return 0;  // libarchive reads instead
    feed.next_block_ = kFirstDiskBlock;
    return request;
  }

  os::BatchFile file_;
  std::function<void(uint64_t)> on_read_;
  std::vector<char> block_;
  size_t next_block_ = kFirstDiskBlock;
};

// A zip stored in another zip: its bytes are the parent's member data,
// decompressed by the parent as they are pulled. Nothing can seek here, so
// libarchive reads it front to back by its local headers.
class MemberFeed : public ZipFeed {
 public:
  explicit MemberFeed(ZipReader& parent) : parent_(parent), block_(kBlockBytes) {}

  void Attach(archive* handle) override {
    archive_read_set_read_callback(handle, &MemberFeed::ReadBlock);
    archive_read_set_callback_data(handle, this);
  }

 private:
  static la_ssize_t ReadBlock(archive* handle, void* data, const void** block) {
    MemberFeed& feed = *static_cast<MemberFeed*>(data);
    // No exception may cross libarchive's C frames: it becomes an error.
    try {
      *block = feed.block_.data();
      return static_cast<la_ssize_t>(feed.parent_.Read(feed.block_.data(), feed.block_.size()));
    } catch (const std::exception& error) {
      archive_set_error(handle, EIO, "%s", error.what());
      return ARCHIVE_FATAL;
    }
  }

  ZipReader& parent_;
  std::vector<char> block_;
};

std::string StoredName(archive_entry* entry) {
  // A name that cannot be shown in the locale's character set has only its
  // UTF-8 form.
  const char* name = archive_entry_pathname(entry);
  if (name == nullptr) name = archive_entry_pathname_utf8(entry);
  return name != nullptr ? name : "";
}

}  // namespace

void ZipReader::ArchiveFree::operator()(archive* handle) const { archive_read_free(handle); }

ZipReader::ZipReader(const std::string& path, bool need_directory,
                     std::function<void(uint64_t)> on_disk_read)
    : feed_(std::make_unique<DiskFeed>(path, std::move(on_disk_read))),
      archive_(archive_read_new()) {
  if (!archive_) throw std::bad_alloc();
  // The seekable format alone opens only a zip whose central directory is
  // found; both together fall back to reading local headers from the start.
  if (need_directory)
    archive_read_support_format_zip_seekable(archive_.get());
  else
    archive_read_support_format_zip(archive_.get());
  Open();
}

ZipReader::ZipReader(ZipReader& parent)
    : feed_(std::make_unique<MemberFeed>(parent)), archive_(archive_read_new()) {
  if (!archive_) throw std::bad_alloc();
  archive_read_support_format_zip_streamable(archive_.get());
  Open();
}

ZipReader::~ZipReader() = default;

void ZipReader::Open() {
  feed_->Attach(archive_.get());
  const int status = archive_read_open1(archive_.get());
  if (status != ARCHIVE_OK && status != ARCHIVE_WARN) throw ReadError(ErrorOf(archive_.get()));
}

bool ZipReader::Next() {
  if (!broken_.empty()) throw ReadError(broken_);
  archive_entry* entry = nullptr;
  const int status = archive_read_next_header(archive_.get(), &entry);
  if (status == ARCHIVE_EOF) return false;
  // A warning (say, a name in another character set) leaves the member
  // usable. Anything worse ends this zip: going on after a failed header
  // would trust libarchive to have found the next one.
  if ((status != ARCHIVE_OK && status != ARCHIVE_WARN) || entry == nullptr)
    throw ReadError(ErrorOf(archive_.get()));
  member_path_ = StoredName(entry);
  member_kind_ =
      archive_entry_filetype(entry) == AE_IFREG ? KindOfName(member_path_) : InputKind::kOther;
  member_encrypted_ = archive_entry_is_data_encrypted(entry) != 0;
  return true;
}

size_t ZipReader::Read(char* buffer, size_t capacity) {
  const la_ssize_t count = archive_read_data(archive_.get(), buffer, capacity);
  if (count >= 0) return static_cast<size_t>(count);
  const std::string reason = ErrorOf(archive_.get());
  if (count == ARCHIVE_FATAL)
    broken_ = "cannot read on after the damaged member " + member_path_ + ": " + reason;
  throw ReadError(reason);
}

}  // namespace tolvex::cli
