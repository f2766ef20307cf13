#include "host/package/relationships.h"

#include <libxml/tree.h>

#include <set>

#include "host/package/package_error.h"
#include "host/package/part_name.h"
#include "host/package/xml_part.h"
#include "platform/xml_escape.h"

namespace kestrel::package {
namespace {

constexpr std::string_view kRelationshipsNamespace = "http://schemas.openxmlformats.org/package/2006/relationships";

bool IsAsciiCaseInsensitiveEqual(std::string_view a, std::string_view b) {
  return PartNameKey(a) == PartNameKey(b);
}

}  // namespace

bool IsRelationshipsPartName(std::string_view name) {
  const std::size_t slash = name.rfind('/');
  if (slash == std::string_view::npos || slash < 6) return false;
  const std::string_view folder = name.substr(0, slash);
  return IsAsciiCaseInsensitiveEqual(folder.substr(folder.rfind('/') + 1), "_rels") &&
         IsAsciiCaseInsensitiveEqual(PartExtension(name), "rels");
}

std::string RelationshipsSource(std::string_view relationships_part) {
  const std::size_t slash = relationships_part.rfind('/');
  const std::string_view file = relationships_part.substr(slash + 1);
  const std::string_view folder = relationships_part.substr(0, slash - std::string_view("_rels").size());
  const std::string_view source_file = file.substr(0, file.size() - std::string_view(".rels").size());
  if (source_file.empty()) return std::string(folder);
  return std::string(folder) + std::string(source_file);
}

std::vector<Relationship> ParseRelationships(std::string_view xml, const std::string& relationships_part,
                                             const std::string& source) {
  XmlDocument document = ParseXmlPart(xml, relationships_part);
  xmlNode* root = xmlDocGetRootElement(document.get());
  if (!IsElement(root, kRelationshipsNamespace, "Relationships")) {
    throw PackageError(relationships_part, "root element is not Relationships");
  }
  std::vector<Relationship> relationships;
  std::set<std::string> ids;
  for (xmlNode* element : ElementChildren(root)) {
    if (!IsElement(element, kRelationshipsNamespace, "Relationship")) {
      throw PackageError(relationships_part, "unexpected element " + std::string(ElementName(element)));
    }
    auto id = Attribute(element, "Id");
    auto type = Attribute(element, "Type");
    auto target = Attribute(element, "Target");
    auto mode = Attribute(element, "TargetMode");
    if (!id || !type || !target) throw PackageError(relationships_part, "Relationship without Id, Type or Target");
    if (xmlValidateNCName(reinterpret_cast<const xmlChar*>(id->c_str()), 0) != 0) {
      throw PackageError(relationships_part, "invalid relationship Id \"" + *id + "\"");
    }
    if (!ids.insert(*id).second) throw PackageError(relationships_part, "two relationships with Id " + *id);
    if (type->empty()) throw PackageError(relationships_part, "relationship " + *id + " has an empty Type");
    Relationship relationship{*id, *type, *target, false};
    if (mode && *mode == "External") {
      relationship.external = true;
    } else if (mode && *mode != "Internal") {
      throw PackageError(relationships_part, "relationship " + *id + " has TargetMode " + *mode);
    } else {
      auto resolved = ResolvePartReference(source, *target);
      if (!resolved) throw PackageError(relationships_part, "relationship " + *id + " has target " + *target + ", no part name");
      if (IsRelationshipsPartName(*resolved)) {
        throw PackageError(relationships_part, "relationship " + *id + " targets the relationships part " + *resolved);
      }
      relationship.target = *resolved;
    }
    relationships.push_back(std::move(relationship));
  }
  return relationships;
}

std::string WriteRelationships(const std::vector<Relationship>& relationships) {
  std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Relationships xmlns=\"" +
                    std::string(kRelationshipsNamespace) + "\">";
  for (const Relationship& r : relationships) {
    xml += "<Relationship Id=\"" + EscapedXml(r.id) + "\" Type=\"" + EscapedXml(r.type) +
           "\" Target=\"" + EscapedXml(r.target) + "\"";
    if (r.external) xml += " TargetMode=\"External\"";
    xml += "/>";
  }
  xml += "</Relationships>";
  return xml;
}

}  // namespace kestrel::package
