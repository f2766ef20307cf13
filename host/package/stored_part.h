// Where a part's bytes are in the archive: one ZIP item, or the pieces of an
// interleaved part in order. Building the directory checks the piece rules
// and that no two items name the same part.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "host/package/xps_package_reader.h"
#include "host/package/zip_archive.h"

namespace kestrel::package {

struct StoredPart {
  std::string name;  // "/" + the item name (without the piece suffix)
  std::vector<const ZipItem*> items;
  std::uint64_t size = 0;
};

struct StoredDirectory {
  std::map<std::string, StoredPart> parts;  // by PartNameKey, relationships parts included
  std::optional<StoredPart> content_types;
};

// Throws PackageError naming the item for anything the package may not hold.
StoredDirectory BuildStoredDirectory(const std::vector<ZipItem>& items, const ReaderLimits& limits,
                                     const std::string& package_path);

}  // namespace kestrel::package
