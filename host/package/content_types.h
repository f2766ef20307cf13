// The [Content_Types].xml part: a content type per extension (Default) and
// per part name (Override). Extensions and part names compare
// case-insensitively.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::package {

inline constexpr const char* kContentTypesItem = "[Content_Types].xml";
inline constexpr const char* kRelationshipsContentType = "application/vnd.openxmlformats-package.relationships+xml";

class ContentTypes {
 public:
  // Throws PackageError for malformed markup, duplicate entries or invalid content types.
  static ContentTypes Parse(std::string_view xml);

  // "" when neither an Override nor a Default applies.
  std::string Find(std::string_view part_name) const;

  // The part's markup for parts given as (name, content type): a Default per
  // extension with the content type most of its parts have, Overrides for the rest.
  static std::string Write(const std::vector<std::pair<std::string, std::string>>& parts);

 private:
  std::map<std::string, std::string> defaults_;   // by lower-case extension
  std::map<std::string, std::string> overrides_;  // by PartNameKey
};

// Whether text is a media type: type "/" subtype, then ";" parameters.
bool IsValidContentType(std::string_view text);

}  // namespace kestrel::package
