#include "host/package/xml_part.h"

#include <libxml/parser.h>
#include <libxml/xmlerror.h>

#include <climits>
#include <mutex>
#include <strings.h>

#include "host/package/package_error.h"

namespace kestrel::package {
namespace {

// Set on the parser context when a document type declaration was met.
struct ParseState {
  bool saw_doctype = false;
  bool saw_root = false;
};

void StopAtDoctype(void* context, const xmlChar*, const xmlChar*, const xmlChar*) {
  auto* parser = static_cast<xmlParserCtxt*>(context);
  static_cast<ParseState*>(parser->_private)->saw_doctype = true;
  xmlStopParser(parser);
}

struct ParserContextFree {
  void operator()(xmlParserCtxt* context) const { xmlFreeParserCtxt(context); }
};

// SAX handlers that drop the content: the parser still checks it all.
void IgnoreContent(xmlSAXHandler& sax) {
  sax.startElementNs = [](void* context, const xmlChar*, const xmlChar*, const xmlChar*, int, const xmlChar**, int, int,
                          const xmlChar**) {
    static_cast<ParseState*>(static_cast<xmlParserCtxt*>(context)->_private)->saw_root = true;
  };
  sax.endElementNs = [](void*, const xmlChar*, const xmlChar*, const xmlChar*) {};
  sax.characters = [](void*, const xmlChar*, int) {};
  sax.ignorableWhitespace = [](void*, const xmlChar*, int) {};
  sax.cdataBlock = [](void*, const xmlChar*, int) {};
  sax.comment = [](void*, const xmlChar*) {};
  sax.processingInstruction = [](void*, const xmlChar*, const xmlChar*) {};
  sax.reference = [](void*, const xmlChar*) {};
}

// Parses under the rules above; keep_tree false only checks, building no tree.
XmlDocument ParseUnderRules(std::string_view bytes, const std::string& part, bool keep_tree) {
  static std::once_flag init;
  std::call_once(init, [] { xmlInitParser(); });
  if (bytes.size() > static_cast<std::size_t>(INT_MAX)) throw PackageError(part, "XML part too large");

  std::unique_ptr<xmlParserCtxt, ParserContextFree> parser(xmlNewParserCtxt());
  if (!parser) throw PackageError(part, "out of memory for the XML parser");
  ParseState state;
  parser->_private = &state;
  parser->sax->internalSubset = StopAtDoctype;
  parser->sax->externalSubset = StopAtDoctype;
  if (!keep_tree) IgnoreContent(*parser->sax);

  XmlDocument document(xmlCtxtReadMemory(parser.get(), bytes.data(), static_cast<int>(bytes.size()), part.c_str(),
                                         nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
  if (state.saw_doctype) throw PackageError(part, "XML with a document type declaration");
  if (!document || !parser->wellFormed) {
    const xmlError* error = xmlCtxtGetLastError(parser.get());
    std::string detail = error && error->message ? error->message : "unreadable XML\n";
    if (!detail.empty() && detail.back() == '\n') detail.pop_back();
    throw PackageError(part, "malformed XML (line " + std::to_string(error ? error->line : 0) + "): " + detail);
  }
  CheckEncoding(document->encoding, part);
  if (keep_tree ? !xmlDocGetRootElement(document.get()) : !state.saw_root) {
    throw PackageError(part, "XML without a root element");
  }
  return document;
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

std::optional<std::string> Attribute(const xmlNode* element, const char* name) {
  xmlChar* value = xmlGetNoNsProp(element, reinterpret_cast<const xmlChar*>(name));
  if (!value) return std::nullopt;
  std::string result(reinterpret_cast<const char*>(value));
  xmlFree(value);
  return result;
}

}  // namespace kestrel::package
