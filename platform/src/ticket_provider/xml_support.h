// libxml2 documents for the provider: safe parsing, serialisation, element and
// qualified-name helpers.
#pragma once

#include <libxml/tree.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/safe_xml.h"
#include "ticket_error.h"

using XmlDoc = safexml::Document;

inline constexpr char kXmlSchemaNamespace[] = "http://www.w3.org/2001/XMLSchema";
inline constexpr char kXmlSchemaInstanceNamespace[] = "http://www.w3.org/2001/XMLSchema-instance";

// Deeper documents are refused: print tickets nest a few levels only.
inline constexpr int kMaxElementDepth = 64;

// Parses without network access, document type declarations or entities beyond the
// predefined ones. A failure throws TicketError{failure, "<what>: <reason>"}.
XmlDoc ParseXml(std::string_view bytes, HRESULT failure, const std::string& what);
// UTF-8 with an XML declaration, indented.
std::string SerializeXml(xmlDoc* doc);

// A name in a namespace; uri is empty for no namespace.
struct QualifiedName {
  std::string uri;
  std::string local;
  bool operator==(const QualifiedName&) const = default;
};

struct QualifiedNameHash {
  std::size_t operator()(const QualifiedName& n) const {
    return std::hash<std::string>{}(n.uri) * 31 + std::hash<std::string>{}(n.local);
  }
};

// Resolves "prefix:local" (or "local", in the default namespace) against the namespaces
// in scope at node; nullopt for a malformed name or an undeclared prefix.
std::optional<QualifiedName> ResolveQName(xmlNode* node, std::string_view text);

bool IsElement(const xmlNode* node, const char* uri, const char* local);
bool InNamespace(const xmlNode* node, const char* uri);
using safexml::Attribute;
std::string TextOf(const xmlNode* node);  // concatenated text content, trimmed
// The first element child named uri/local.
xmlNode* ChildElement(xmlNode* parent, const char* uri, const char* local);

std::string_view TrimBlanks(std::string_view text);

// Strict decimal: optional sign, digits only, within 32 bits (blanks around are allowed).
std::optional<std::int32_t> ParseInt32(std::string_view text);
