#include "xml_support.h"

#include <libxml/parser.h>

#include <algorithm>
#include <charconv>
#include <mutex>

namespace {

constexpr std::string_view kBlanks = " \t\r\n";

std::string_view Trim(std::string_view s) {
  const auto first = s.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

struct ParserFree {
  void operator()(xmlParserCtxt* ctxt) const { xmlFreeParserCtxt(ctxt); }
};

}  // namespace

std::string_view TrimBlanks(std::string_view text) { return Trim(text); }

namespace {

// Stops the parser at <!DOCTYPE: no internal subset, hence no entity declarations.
void RefuseDoctype(void* ctx, const xmlChar*, const xmlChar*, const xmlChar*) {
  auto* ctxt = static_cast<xmlParserCtxt*>(ctx);
  ctxt->_private = ctxt;  // marks the refusal
  xmlStopParser(ctxt);
}

// Iterative, so that the walk itself cannot exhaust the stack.
int DepthOf(const xmlNode* root) {
  int depth = 1, deepest = 1;
  for (const xmlNode* n = root;;) {
    if (n->type == XML_ELEMENT_NODE && n->children) {
      n = n->children;
      deepest = std::max(deepest, ++depth);
      continue;
    }
    while (n != root && !n->next) {
      n = n->parent;
      --depth;
    }
    if (n == root) return deepest;
    n = n->next;
  }
}

std::string Reason(const xmlParserCtxt* ctxt) {
  if (ctxt->_private) return "document type declarations are not accepted";
  const xmlError& e = ctxt->lastError;
  std::string text(e.message ? Trim(e.message) : std::string_view("not well-formed XML"));
  if (e.line > 0) text = "line " + std::to_string(e.line) + ": " + text;
  return text;
}

}  // namespace

XmlDoc ParseXml(std::string_view bytes, HRESULT failure, const std::string& what) {
  static std::once_flag init;
  std::call_once(init, [] { xmlInitParser(); });
  if (bytes.size() > static_cast<std::size_t>(INT32_MAX)) throw TicketError{failure, what + ": too large"};
  std::unique_ptr<xmlParserCtxt, ParserFree> ctxt(xmlNewParserCtxt());
  if (!ctxt) throw TicketError{E_OUTOFMEMORY, what + ": out of memory"};
  ctxt->sax->internalSubset = RefuseDoctype;
  constexpr int kOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_NOBLANKS |
                           XML_PARSE_NOCDATA;
  XmlDoc doc(xmlCtxtReadMemory(ctxt.get(), bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr,
                               kOptions));
  if (!doc || !ctxt->wellFormed || ctxt->_private) throw TicketError{failure, what + ": " + Reason(ctxt.get())};
  if (doc->intSubset || doc->extSubset)
    throw TicketError{failure, what + ": document type declarations are not accepted"};
  xmlNode* root = xmlDocGetRootElement(doc.get());
  if (!root) throw TicketError{failure, what + ": no root element"};
  if (DepthOf(root) > kMaxElementDepth)
    throw TicketError{failure, what + ": elements nest deeper than " + std::to_string(kMaxElementDepth)};
  return doc;
}

std::string SerializeXml(xmlDoc* doc) {
  xmlChar* bytes = nullptr;
  int size = 0;
  xmlDocDumpFormatMemoryEnc(doc, &bytes, &size, "UTF-8", 1);
  if (!bytes) throw TicketError{E_OUTOFMEMORY, "out of memory while writing the document"};
  std::string text(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(size));
  xmlFree(bytes);
  return text;
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

std::optional<std::string> Attribute(const xmlNode* node, const char* name) {
  xmlChar* value = xmlGetNoNsProp(node, reinterpret_cast<const xmlChar*>(name));
  if (!value) return std::nullopt;
  std::string text(reinterpret_cast<const char*>(value));
  xmlFree(value);
  return text;
}

std::string TextOf(const xmlNode* node) {
  xmlChar* content = xmlNodeGetContent(node);
  if (!content) return {};
  std::string text(Trim(reinterpret_cast<const char*>(content)));
  xmlFree(content);
  return text;
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
