#include "xml_support.h"

#include <libxml/parser.h>

#include <charconv>

namespace {

constexpr std::string_view kBlanks = " \t\r\n";

std::string_view Trim(std::string_view s) {
  const auto first = s.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

}  // namespace

std::string_view TrimBlanks(std::string_view text) { return Trim(text); }

namespace {

std::string Reason(const safexml::ReadResult& read) {
  switch (read.refusal) {
    case safexml::Refusal::kTooLarge: return "too large";
    case safexml::Refusal::kDocumentType: return "document type declarations are not accepted";
    case safexml::Refusal::kNoRoot: return "no root element";
    case safexml::Refusal::kTooDeep: return "elements nest deeper than " + std::to_string(kMaxElementDepth);
    default: break;
  }
  std::string text = read.message.empty() ? "not well-formed XML" : std::string(Trim(read.message));
  if (read.line > 0) text = "line " + std::to_string(read.line) + ": " + text;
  return text;
}

}  // namespace

XmlDoc ParseXml(std::string_view bytes, HRESULT failure, const std::string& what) {
  safexml::ReadRules rules;
  rules.extraOptions = XML_PARSE_NOBLANKS | XML_PARSE_NOCDATA;
  rules.maxDepth = kMaxElementDepth;
  safexml::ReadResult read = safexml::Read(bytes, rules);
  if (read.refusal == safexml::Refusal::kOutOfMemory) throw TicketError{E_OUTOFMEMORY, what + ": out of memory"};
  if (!read.document) throw TicketError{failure, what + ": " + Reason(read)};
  return std::move(read.document);
}

std::string SerializeXml(xmlDoc* doc) {
  xmlChar* bytes = nullptr;
  int size = 0;
  xmlDocDumpFormatMemoryEnc(doc, &bytes, &size, "UTF-8", 1);
  const safexml::String owned(bytes);
  if (!owned) throw TicketError{E_OUTOFMEMORY, "out of memory while writing the document"};
  return std::string(reinterpret_cast<const char*>(owned.get()), static_cast<std::size_t>(size));
}

std::optional<QualifiedName> ResolveQName(xmlNode* node, std::string_view text) {
  text = Trim(text);
  const std::string name(text);
  if (name.empty() || xmlValidateQName(reinterpret_cast<const xmlChar*>(name.c_str()), 0) != 0) return std::nullopt;
  const auto colon = name.find(':');
  const std::string prefix = colon == std::string::npos ? std::string() : name.substr(0, colon);
  const std::string local = colon == std::string::npos ? name : name.substr(colon + 1);
  const xmlNs* ns =
      xmlSearchNs(node->doc, node, prefix.empty() ? nullptr : reinterpret_cast<const xmlChar*>(prefix.c_str()));
  if (!ns && !prefix.empty()) return std::nullopt;
  return QualifiedName{ns && ns->href ? reinterpret_cast<const char*>(ns->href) : "", local};
}

bool InNamespace(const xmlNode* node, const char* uri) {
  return node->ns && node->ns->href && xmlStrEqual(node->ns->href, reinterpret_cast<const xmlChar*>(uri));
}

bool IsElement(const xmlNode* node, const char* uri, const char* local) {
  return node && node->type == XML_ELEMENT_NODE && InNamespace(node, uri) &&
         xmlStrEqual(node->name, reinterpret_cast<const xmlChar*>(local));
}

std::string TextOf(const xmlNode* node) {
  const safexml::String content(xmlNodeGetContent(node));
  if (!content) return {};
  return std::string(Trim(reinterpret_cast<const char*>(content.get())));
}

xmlNode* ChildElement(xmlNode* parent, const char* uri, const char* local) {
  for (xmlNode* n = parent->children; n; n = n->next)
    if (IsElement(n, uri, local)) return n;
  return nullptr;
}

std::optional<std::int32_t> ParseInt32(std::string_view text) {
  text = Trim(text);
  if (text.size() > 1 && text[0] == '+' && text[1] != '-') text.remove_prefix(1);
  std::int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}
