// The PartReader of a stored part: its items (pieces) read one after the
// other, with the font obfuscation undone when the part is stored obfuscated.
#pragma once

#include <memory>
#include <optional>

#include "host/package/font_obfuscation.h"
#include "host/package/stored_part.h"
#include "host/package/zip_archive.h"
#include "host/package/xps_package_reader.h"

namespace kestrel::package {

class StoredPartReader final : public PartReader {
 public:
  StoredPartReader(std::shared_ptr<ZipArchive> archive, StoredPart part, std::optional<ObfuscationKey> key);

  std::size_t Read(void* buffer, std::size_t size) override;
  std::uint64_t Size() const override { return part_.size; }
  std::uint64_t Position() const override { return position_; }
  void Seek(std::uint64_t offset) override;

 private:
  std::shared_ptr<ZipArchive> archive_;
  const StoredPart part_;
  std::optional<ObfuscationKey> key_;
  std::size_t next_item_ = 0;
  std::unique_ptr<ZipItemStream> current_;
  std::uint64_t position_ = 0;
};

// The whole part as a string; throws PackageError when it is larger than limit.
std::string ReadWholePart(PartReader& reader, std::uint64_t limit, const std::string& name);

}  // namespace kestrel::package
