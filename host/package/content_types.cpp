#include "host/package/content_types.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "host/package/package_error.h"
#include "host/package/part_name.h"
#include "host/package/xml_part.h"
#include "platform/checked_int.h"
#include "platform/xml_escape.h"

namespace kestrel::package {
namespace {

constexpr std::string_view kTypesNamespace = "http://schemas.openxmlformats.org/package/2006/content-types";
const std::string kPart = "/[Content_Types].xml";

std::string AsciiLower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; });
  return lower;
}

bool IsTokenChar(char c) {
  if (c <= ' ' || c >= 127) return false;
  return std::string_view("()<>@,;:\\\"/[]?={}").find(c) == std::string_view::npos;
}

bool IsToken(std::string_view text) { return !text.empty() && std::all_of(text.begin(), text.end(), IsTokenChar); }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

bool IsParameter(std::string_view parameter) {
  const std::size_t equals = parameter.find('=');
  if (equals == std::string_view::npos || !IsToken(parameter.substr(0, equals))) return false;
  const std::string_view value = parameter.substr(equals + 1);
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') return true;
  return IsToken(value);
}

std::string RequiredAttribute(xmlNode* element, const char* name) {
  auto value = Attribute(element, name);
  if (!value) throw PackageError(kPart, std::string(ElementName(element)) + " without " + name);
  return *value;
}

}  // namespace

bool IsValidContentType(std::string_view text) {
  std::size_t semicolon = text.find(';');
  const std::string_view media = text.substr(0, semicolon);
  const std::size_t slash = media.find('/');
  if (slash == std::string_view::npos || !IsToken(media.substr(0, slash)) || !IsToken(media.substr(slash + 1))) {
    return false;
  }
  while (semicolon != std::string_view::npos) {
    const std::size_t next = text.find(';', semicolon + 1);
    if (!IsParameter(Trim(text.substr(semicolon + 1, next - semicolon - 1)))) return false;
    semicolon = next;
  }
  return true;
}

ContentTypes ContentTypes::Parse(std::string_view xml) {
  XmlDocument document = ParseXmlPart(xml, kPart);
  xmlNode* root = xmlDocGetRootElement(document.get());
  if (!IsElement(root, kTypesNamespace, "Types")) throw PackageError(kPart, "root element is not Types");
  ContentTypes types;
  for (xmlNode* entry : ElementChildren(root)) {
    const bool is_default = IsElement(entry, kTypesNamespace, "Default");
    if (!is_default && !IsElement(entry, kTypesNamespace, "Override")) {
      throw PackageError(kPart, "unexpected element " + std::string(ElementName(entry)));
    }
    const std::string content_type = RequiredAttribute(entry, "ContentType");
    if (!IsValidContentType(content_type)) throw PackageError(kPart, "invalid content type \"" + content_type + "\"");
    if (is_default) {
      const std::string extension = RequiredAttribute(entry, "Extension");
      if (extension.empty()) throw PackageError(kPart, "Default with an empty Extension");
      if (!types.defaults_.emplace(AsciiLower(extension), content_type).second) {
        throw PackageError(kPart, "two Defaults for extension " + extension);
      }
    } else {
      const std::string name = RequiredAttribute(entry, "PartName");
      if (auto problem = PartNameProblem(name)) throw PackageError(kPart, "Override for " + name + ": " + *problem);
      if (!types.overrides_.emplace(PartNameKey(name), content_type).second) {
        throw PackageError(kPart, "two Overrides for " + name);
      }
    }
  }
  return types;
}

std::string ContentTypes::Find(std::string_view part_name) const {
  if (auto found = overrides_.find(PartNameKey(part_name)); found != overrides_.end()) return found->second;
  const std::string_view extension = PartExtension(part_name);
  if (auto found = defaults_.find(AsciiLower(extension)); !extension.empty() && found != defaults_.end()) {
    return found->second;
  }
  return {};
}

namespace {

// What the spool holds for a part: its type id and name length, then the name.
struct SpooledPartHead {
  std::uint32_t type;
  std::uint32_t name_length;
};

// A spool of at most this much in memory; the rest goes to its file.
constexpr std::size_t kSpoolMemory = 64 << 10;

}  // namespace

ContentTypesWriter::ContentTypesWriter(std::filesystem::path spool_folder)
    : parts_(std::move(spool_folder), kSpoolMemory, kPart) {}

std::uint32_t ContentTypesWriter::TypeId(std::string_view content_type) {
  if (auto found = type_ids_.find(content_type); found != type_ids_.end()) return found->second;
  const auto id = IntCast<std::uint32_t>(types_.size());
  types_.emplace_back(content_type);
  type_ids_.emplace(types_.back(), id);
  return id;
}

void ContentTypesWriter::Add(std::string_view part_name, std::string_view content_type) {
  const std::optional<std::uint32_t> name_size = TryIntCast<std::uint32_t>(part_name.size());
  if (!name_size) throw PackageError(kPart, "part name too long");
  const std::string extension = AsciiLower(PartExtension(part_name));
  if (!extension.empty()) ++counts_[extension][std::string(content_type)];
  const SpooledPartHead head{TypeId(content_type), *name_size};
  parts_.Append(&head, sizeof head);
  parts_.Append(part_name.data(), part_name.size());
}

std::string ContentTypesWriter::Write() {
  // The most frequent content type of each extension becomes its Default.
  std::map<std::string, std::string> defaults{{"rels", kRelationshipsContentType}};
  for (const auto& [extension, types] : counts_) {
    auto most = std::max_element(types.begin(), types.end(),
                                 [](const auto& a, const auto& b) { return a.second < b.second; });
    defaults.emplace(extension, most->first);
  }
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Types xmlns=\"" + std::string(kTypesNamespace) + "\">";
  for (const auto& [extension, type] : defaults) {
    xml += "<Default Extension=\"" + EscapedXml(extension) + "\" ContentType=\"" +
           EscapedXml(type) + "\"/>";
  }
  std::string pending;  // a record split across the spool's chunks
  const auto add_override = [&](std::string_view name, const std::string& type) {
    auto found = defaults.find(AsciiLower(PartExtension(name)));
    if (found != defaults.end() && found->second == type) return;
    xml += "<Override PartName=\"" + EscapedXml(name) + "\" ContentType=\"" + EscapedXml(type) +
           "\"/>";
  };
  parts_.Drain([&](const void* data, std::size_t size) {
    pending.append(static_cast<const char*>(data), size);
    std::size_t at = 0;
    SpooledPartHead head;
    while (pending.size() - at >= sizeof head) {
      std::memcpy(&head, pending.data() + at, sizeof head);
      if (pending.size() - at - sizeof head < head.name_length) break;
      add_override(std::string_view(pending).substr(at + sizeof head, head.name_length), types_.at(head.type));
      at += sizeof head + head.name_length;
    }
    pending.erase(0, at);
  });
  xml += "</Types>";
  return xml;
}

}  // namespace kestrel::package
