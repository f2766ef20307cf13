#include "host/package/zip_stream_writer.h"

#include <minizip/zip.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>

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

// The end of central directory record minizip writes: no comment, so the last 22 bytes.
constexpr std::size_t kEndRecordSize = 22;
constexpr std::size_t kZip64LocatorSize = 20;
constexpr std::uint32_t kEndRecordSignature = 0x06054b50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr std::uint32_t kZip64EndRecordSignature = 0x06064b50;
// From this many items the end record cannot count them and a ZIP64 one must.
constexpr std::uint64_t kZip64ItemCount = 0xFFFF;

std::uint64_t ReadLittle(const unsigned char* bytes, int size) {
  std::uint64_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = (value << 8) | bytes[i];
  return value;
}

void PutLittle(std::string& out, std::uint64_t value, int size) {
  for (int i = 0; i < size; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

bool ReadAt(int file, void* buffer, std::size_t size, off_t offset) {
  return pread(file, buffer, size, offset) == static_cast<ssize_t>(size);
}

bool WriteAt(int file, const std::string& bytes, off_t offset) {
  return pwrite(file, bytes.data(), bytes.size(), offset) == static_cast<ssize_t>(bytes.size());
}

// minizip writes the ZIP64 end records only for a central directory beyond
// 4 GiB, not for 65535 items or more, which leaves a file readers refuse as
// inconsistent. Adds them before the end record when they are missing.
void AddZip64EndRecords(const std::filesystem::path& path, std::uint64_t items) {
  const int file = open(path.c_str(), O_RDWR);
  if (file < 0) throw PackageError(path.string(), "cannot reopen the package file");
  struct stat status;
  unsigned char tail[kZip64LocatorSize + kEndRecordSize];
  bool done = fstat(file, &status) == 0 && static_cast<std::size_t>(status.st_size) >= sizeof tail;
  const off_t end_at = done ? status.st_size - static_cast<off_t>(kEndRecordSize) : 0;
  done = done && ReadAt(file, tail, sizeof tail, end_at - static_cast<off_t>(kZip64LocatorSize)) &&
         ReadLittle(tail + kZip64LocatorSize, 4) == kEndRecordSignature;
  if (done && ReadLittle(tail, 4) != kZip64LocatorSignature) {
    const unsigned char* end = tail + kZip64LocatorSize;
    std::string records;
    PutLittle(records, kZip64EndRecordSignature, 4);
    PutLittle(records, 44, 8);                      // the size of the rest of this record
    PutLittle(records, 45, 2);                      // made by: version 4.5
    PutLittle(records, 45, 2);                      // needed to extract: 4.5
    PutLittle(records, 0, 4);                       // this disk
    PutLittle(records, 0, 4);                       // the disk of the central directory
    PutLittle(records, items, 8);                   // items on this disk
    PutLittle(records, items, 8);                   // items in all
    PutLittle(records, ReadLittle(end + 12, 4), 8);  // central directory size
    PutLittle(records, ReadLittle(end + 16, 4), 8);  // central directory offset
    PutLittle(records, kZip64LocatorSignature, 4);
    PutLittle(records, 0, 4);                                   // the disk of the ZIP64 end record
    PutLittle(records, static_cast<std::uint64_t>(end_at), 8);  // where it starts
    PutLittle(records, 1, 4);                                   // disks in all
    records.append(reinterpret_cast<const char*>(end), kEndRecordSize);
    done = WriteAt(file, records, end_at);
  }
  const bool closed = close(file) == 0;
  if (!done || !closed) throw PackageError(path.string(), "cannot complete the ZIP64 end of the package file");
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
  ++items_;
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
  if (items_ >= kZip64ItemCount) AddZip64EndRecords(path_, items_);
}

}  // namespace kestrel::package
