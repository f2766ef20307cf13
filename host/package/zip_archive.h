// A ZIP file opened with libzip for reading, shared by the readers of its
// items. libzip handles are not thread-safe, so every call into libzip for
// one archive holds the archive's lock; each read is short (one buffer), so
// readers on several threads take turns.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>

struct zip;
struct zip_file;

namespace kestrel::package {

struct ZipItem {
  std::string name;  // as stored, e.g. "Documents/1/Pages/1.fpage"
  std::uint64_t index = 0;
  std::uint64_t size = 0;             // uncompressed, as the directory states
  std::uint64_t compressed_size = 0;
  std::uint16_t method = 0;           // 0 stored, 8 deflated
  bool encrypted = false;
};

class ZipItemStream;

// The directory stays libzip's own: an item is described when asked for.
class ZipArchive : public std::enable_shared_from_this<ZipArchive> {
 public:
  // Throws PackageError naming the file when it is no readable ZIP archive.
  static std::shared_ptr<ZipArchive> Open(const std::filesystem::path& path);
  ~ZipArchive();
  ZipArchive(const ZipArchive&) = delete;
  ZipArchive& operator=(const ZipArchive&) = delete;

  std::uint64_t Count() const { return count_; }
  // Throws PackageError naming the file when the directory entry is unreadable.
  ZipItem Item(std::uint64_t index);
  // size is the uncompressed size the directory states; `part` names the part in error messages.
  std::unique_ptr<ZipItemStream> OpenItem(std::uint64_t index, std::uint64_t size, const std::string& part);

 private:
  friend class ZipItemStream;
  ZipArchive(zip* archive, std::uint64_t count, std::string path)
      : archive_(archive), count_(count), path_(std::move(path)) {}
  zip* archive_;
  const std::uint64_t count_;
  const std::string path_;
  std::mutex lock_;
};

// The uncompressed bytes of one item; checks the size the directory states
// and libzip checks the CRC at the end.
class ZipItemStream {
 public:
  ~ZipItemStream();
  ZipItemStream(const ZipItemStream&) = delete;
  ZipItemStream& operator=(const ZipItemStream&) = delete;
  // 0 only at the end.
  std::size_t Read(void* buffer, std::size_t size);

 private:
  friend class ZipArchive;
  ZipItemStream(std::shared_ptr<ZipArchive> archive, zip_file* file, std::uint64_t size, std::string part)
      : archive_(std::move(archive)), file_(file), size_(size), part_(std::move(part)) {}
  std::shared_ptr<ZipArchive> archive_;
  zip_file* file_;
  std::uint64_t size_;
  std::uint64_t read_ = 0;
  std::string part_;
};

}  // namespace kestrel::package
