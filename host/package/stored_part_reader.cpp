#include "host/package/stored_part_reader.h"

#include <array>

#include "host/package/package_error.h"

namespace kestrel::package {

StoredPartReader::StoredPartReader(std::shared_ptr<ZipArchive> archive, StoredPart part,
                                   std::optional<ObfuscationKey> key)
    : archive_(std::move(archive)), part_(std::move(part)), key_(key) {}

std::size_t StoredPartReader::Read(void* buffer, std::size_t size) {
  while (size > 0) {
    if (!current_) {
      if (next_item_ == part_.items.size()) return 0;
      const StoredItem& item = part_.items[next_item_++];
      current_ = archive_->OpenItem(item.index, item.size, part_.name);
    }
    const std::size_t got = current_->Read(buffer, size);
    if (got == 0) {
      current_.reset();
      continue;
    }
    if (key_) ApplyFontObfuscation(*key_, position_, {static_cast<std::uint8_t*>(buffer), got});
    position_ += got;
    return got;
  }
  return 0;
}

void StoredPartReader::Seek(std::uint64_t offset) {
  if (offset > part_.size) throw PackageError(part_.name, "seek past the end of the part");
  if (offset < position_) {
    current_.reset();
    next_item_ = 0;
    position_ = 0;
  }
  std::array<char, 16384> scratch;
  while (position_ < offset) {
    const std::uint64_t want = std::min<std::uint64_t>(scratch.size(), offset - position_);
    if (Read(scratch.data(), static_cast<std::size_t>(want)) == 0) {
      throw PackageError(part_.name, "stored data shorter than stated");
    }
  }
}

std::string ReadWholePart(PartReader& reader, std::uint64_t limit, const std::string& name) {
  if (reader.Size() > limit) {
    throw PackageError(name, "part of " + std::to_string(reader.Size()) + " bytes, over the limit of " +
                                 std::to_string(limit) + " for a part read whole");
  }
  std::string bytes(static_cast<std::size_t>(reader.Size()), '\0');
  std::size_t filled = 0;
  while (filled < bytes.size()) {
    const std::size_t got = reader.Read(bytes.data() + filled, bytes.size() - filled);
    if (got == 0) throw PackageError(name, "stored data shorter than stated");
    filled += got;
  }
  char extra;
  if (reader.Read(&extra, 1) != 0) throw PackageError(name, "stored data longer than stated");
  return bytes;
}

}  // namespace kestrel::package
