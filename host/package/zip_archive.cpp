#include "host/package/zip_archive.h"

#include <zip.h>

#include "host/package/package_error.h"

namespace kestrel::package {
namespace {

std::string ArchiveError(zip_t* archive) { return zip_error_strerror(zip_get_error(archive)); }

}  // namespace

std::shared_ptr<ZipArchive> ZipArchive::Open(const std::filesystem::path& path) {
  int code = 0;
  zip_t* handle = zip_open(path.c_str(), ZIP_RDONLY, &code);
  if (!handle) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    std::string message = zip_error_strerror(&error);
    zip_error_fini(&error);
    throw PackageError(path.string(), "not a readable ZIP package: " + message);
  }
  const zip_int64_t count = zip_get_num_entries(handle, 0);
  return std::shared_ptr<ZipArchive>(
      new ZipArchive(handle, count > 0 ? static_cast<std::uint64_t>(count) : 0, path.string()));
}

ZipArchive::~ZipArchive() { zip_discard(archive_); }

ZipItem ZipArchive::Item(std::uint64_t index) {
  std::lock_guard hold(lock_);
  zip_stat_t stat;
  zip_stat_init(&stat);
  if (zip_stat_index(archive_, index, 0, &stat) != 0) {
    throw PackageError(path_, "unreadable ZIP directory entry: " + ArchiveError(archive_));
  }
  const zip_uint64_t wanted = ZIP_STAT_NAME | ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD;
  if ((stat.valid & wanted) != wanted) throw PackageError(path_, "incomplete ZIP directory entry");
  ZipItem item;
  item.name = stat.name;
  item.index = index;
  item.size = stat.size;
  item.compressed_size = stat.comp_size;
  item.method = stat.comp_method;
  item.encrypted = (stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE;
  return item;
}

std::unique_ptr<ZipItemStream> ZipArchive::OpenItem(std::uint64_t index, std::uint64_t size, const std::string& part) {
  std::lock_guard hold(lock_);
  zip_file_t* file = zip_fopen_index(archive_, index, 0);
  if (!file) throw PackageError(part, "cannot open the stored data: " + ArchiveError(archive_));
  return std::unique_ptr<ZipItemStream>(new ZipItemStream(shared_from_this(), file, size, part));
}

ZipItemStream::~ZipItemStream() {
  std::lock_guard hold(archive_->lock_);
  zip_fclose(file_);
}

std::size_t ZipItemStream::Read(void* buffer, std::size_t size) {
  if (size == 0) return 0;
  zip_int64_t got = 0;
  {
    std::lock_guard hold(archive_->lock_);
    got = zip_fread(file_, buffer, size);
    if (got < 0) throw PackageError(part_, std::string("damaged stored data: ") + zip_file_strerror(file_));
  }
  read_ += static_cast<std::uint64_t>(got);
  if (read_ > size_) throw PackageError(part_, "stored data longer than the ZIP directory states");
  if (got == 0 && read_ != size_) throw PackageError(part_, "stored data shorter than the ZIP directory states");
  return static_cast<std::size_t>(got);
}

}  // namespace kestrel::package
