// The parts of an archive by name: where each one's bytes are, and what the
// reader learns of it at Open (content type, kind). One compact record a part
// (relationships parts included), the names in a PartNameTable, so a package
// of many pages keeps a small index. Building it checks the piece rules and
// that no two items name the same part.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/package/package_model.h"
#include "host/package/part_name_table.h"
#include "host/package/stored_part.h"
#include "host/package/xps_package_reader.h"
#include "host/package/zip_archive.h"

namespace kestrel::package {

class ContentTypes;

struct PartRecord {
  std::uint64_t size = 0;          // bytes as read (after joining pieces)
  std::uint32_t item = 0;          // the ZIP index of a whole part, or where its pieces start
  std::uint32_t piece_count = 0;   // 0 for a whole part
  std::uint32_t content_type = 0;  // in the directory's list of content types
  PartKind kind = PartKind::Other;
  bool claimed = false;  // reached from the package's structure in the role `kind`
  bool obfuscated = false;
};

class PartDirectory {
 public:
  // Throws PackageError naming the item for anything the package may not hold.
  PartDirectory(ZipArchive& archive, const ReaderLimits& limits, const std::string& package_path);

  // Entries in the order of their comparison keys: the order Open checks parts in.
  std::vector<std::size_t> SortedEntries() const;
  // Throws PackageError for a part that lies inside another ("/a" and "/a/b").
  void CheckNoPartIsAFolder(const std::vector<std::size_t>& order) const;
  // Every part gets its content type; throws PackageError for a part without one.
  void AssignContentTypes(const ContentTypes& types, const std::vector<std::size_t>& order);

  const std::optional<StoredPart>& ContentTypesPart() const { return content_types_; }
  std::optional<std::size_t> Find(std::string_view name) const { return parts_.Find(name); }
  std::size_t Size() const { return parts_.Size(); }

  std::string_view Name(std::size_t entry) const { return parts_.Name(entry); }
  const PartRecord& Record(std::size_t entry) const { return parts_.At(entry); }
  PartRecord& Record(std::size_t entry) { return parts_.At(entry); }
  const std::string& ContentType(std::size_t entry) const { return content_types_list_[Record(entry).content_type]; }
  bool IsRelationshipsPart(std::size_t entry) const;
  StoredPart Stored(std::size_t entry) const;
  Part Describe(std::size_t entry) const;

 private:
  void AddWhole(const std::string& name, const std::vector<StoredItem>& items, std::uint64_t size);

  PartNameTable<PartRecord> parts_;
  std::vector<StoredItem> pieces_;  // of interleaved parts, each part's in order
  std::optional<StoredPart> content_types_;
  std::vector<std::string> content_types_list_;
};

}  // namespace kestrel::package
