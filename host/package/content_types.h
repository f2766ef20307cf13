// The [Content_Types].xml part: a content type per extension (Default) and
// per part name (Override). Extensions and part names compare
// case-insensitively.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "host/package/part_spool.h"

namespace kestrel::package {

inline constexpr const char* kContentTypesItem = "[Content_Types].xml";
inline constexpr const char* kRelationshipsContentType = "application/vnd.openxmlformats-package.relationships+xml";

class ContentTypes {
 public:
  // Throws PackageError for malformed markup, duplicate entries or invalid content types.
  static ContentTypes Parse(std::string_view xml);

  // "" when neither an Override nor a Default applies.
  std::string Find(std::string_view part_name) const;


 private:
  std::map<std::string, std::string> defaults_;   // by lower-case extension
  std::map<std::string, std::string> overrides_;  // by PartNameKey
};

// [Content_Types].xml of a package being written, gathered part by part: a
// Default per extension with the content type most of its parts have,
// Overrides for the rest. What a large job keeps in memory is a count per
// extension and content type; the parts themselves wait in a spool (memory,
// then an unlinked file in spool_folder) until Write lists the Overrides.
class ContentTypesWriter {
 public:
  explicit ContentTypesWriter(std::filesystem::path spool_folder);
  void Add(std::string_view part_name, std::string_view content_type);
  // The part's markup for the parts added, in the order they were added. Once.
  std::string Write();

 private:
  std::uint32_t TypeId(std::string_view content_type);

  std::vector<std::string> types_;
  std::map<std::string, std::uint32_t, std::less<>> type_ids_;
  std::map<std::string, std::map<std::string, std::size_t>> counts_;  // by lower-case extension, then type
  PartSpool parts_;  // per part: type id, name length, name
};

// Whether text is a media type: type "/" subtype, then ";" parameters.
bool IsValidContentType(std::string_view text);

}  // namespace kestrel::package
