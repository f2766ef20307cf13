#include "host/package/zip_stream_writer.h"

#include <minizip/zip.h>

#include <algorithm>
#include <climits>

#include "host/package/package_error.h"

namespace kestrel::package {
namespace {

// Items carry a fixed time so that the same job gives the same package.
zip_fileinfo FixedItemInfo() {
  zip_fileinfo info{};
  info.tmz_date.tm_year = 1980;
  info.tmz_date.tm_mday = 1;
  return info;
}

constexpr uLong kUtf8NameFlag = 1u << 11;

bool HasNonAscii(const std::string& text) {
  return std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

}  // namespace

ZipStreamWriter::ZipStreamWriter(const std::filesystem::path& path)
    : zip_(zipOpen64(path.c_str(), APPEND_STATUS_CREATE)), path_(path) {
  if (!zip_) throw PackageError(path.string(), "cannot create the package file");
}

ZipStreamWriter::~ZipStreamWriter() {
  if (!zip_) return;
  if (item_open_) zipCloseFileInZip(zip_);
  zipClose(zip_, nullptr);
}

void ZipStreamWriter::BeginItem(const std::string& item_name, int level, bool large, const std::string& part) {
  const zip_fileinfo info = FixedItemInfo();
  const int method = level == 0 ? 0 : Z_DEFLATED;
  const int result = zipOpenNewFileInZip4_64(zip_, item_name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, method,
                                             level, 0, -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, nullptr, 0, 0,
                                             HasNonAscii(item_name) ? kUtf8NameFlag : 0, large ? 1 : 0);
  if (result != ZIP_OK) throw PackageError(part, "cannot start the ZIP item (error " + std::to_string(result) + ")");
  part_ = part;
  item_open_ = true;
}

void ZipStreamWriter::Write(const void* data, std::size_t size) {
  const auto* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const unsigned chunk = static_cast<unsigned>(std::min<std::size_t>(size, UINT_MAX / 2));
    if (zipWriteInFileInZip(zip_, bytes, chunk) != ZIP_OK) throw PackageError(part_, "cannot write to the package file");
    bytes += chunk;
    size -= chunk;
  }
}

void ZipStreamWriter::EndItem() {
  item_open_ = false;
  if (zipCloseFileInZip(zip_) != ZIP_OK) throw PackageError(part_, "cannot finish the ZIP item");
}

void ZipStreamWriter::Close() {
  void* zip = zip_;
  zip_ = nullptr;
  if (zipClose(zip, nullptr) != ZIP_OK) throw PackageError(path_.string(), "cannot finish the package file");
}

}  // namespace kestrel::package
