#include "host/package/xml_part.h"

#include <strings.h>

#include "host/package/package_error.h"

namespace kestrel::package {
namespace {

// Parses under the rules of xml_part.h; keep_tree false only checks, building no tree.
XmlDocument ParseUnderRules(std::string_view bytes, const std::string& part, bool keep_tree) {
  safexml::ReadRules rules;
  rules.url = part.c_str();
  rules.buildTree = keep_tree;
  safexml::ReadResult read = safexml::Read(bytes, rules);
  switch (read.refusal) {
    case safexml::Refusal::kNone: break;
    case safexml::Refusal::kTooLarge: throw PackageError(part, "XML part too large");
    case safexml::Refusal::kOutOfMemory: throw PackageError(part, "out of memory for the XML parser");
    case safexml::Refusal::kDocumentType: throw PackageError(part, "XML with a document type declaration");
    case safexml::Refusal::kNoRoot: throw PackageError(part, "XML without a root element");
    case safexml::Refusal::kTooDeep:
      throw PackageError(part, "malformed XML (line " + std::to_string(read.line) + "): elements nest deeper than " +
                                   std::to_string(safexml::kMaxDepth));
    case safexml::Refusal::kMalformed:
      throw PackageError(part, "malformed XML (line " + std::to_string(read.line) + "): " +
                                   (read.message.empty() ? "unreadable XML" : read.message));
  }
  CheckEncoding(read.document->encoding, part);
  return std::move(read.document);
}

}  // namespace

void CheckEncoding(const xmlChar* declared, const std::string& part) {
  if (!declared) return;
  const char* name = reinterpret_cast<const char*>(declared);
  if (strcasecmp(name, "utf-8") == 0 || strcasecmp(name, "utf-16") == 0) return;
  throw PackageError(part, std::string("XML encoding ") + name + " (only UTF-8 and UTF-16 are allowed)");
}

XmlDocument ParseXmlPart(std::string_view bytes, const std::string& part) { return ParseUnderRules(bytes, part, true); }

void CheckXmlPart(std::string_view bytes, const std::string& part) { ParseUnderRules(bytes, part, false); }

std::string_view ElementName(const xmlNode* element) { return reinterpret_cast<const char*>(element->name); }

std::string_view ElementNamespace(const xmlNode* element) {
  return element->ns && element->ns->href ? reinterpret_cast<const char*>(element->ns->href) : "";
}

bool IsElement(const xmlNode* element, std::string_view name_space, std::string_view name) {
  return element->type == XML_ELEMENT_NODE && ElementName(element) == name && ElementNamespace(element) == name_space;
}

}  // namespace kestrel::package
