#include "parser.h"

#include <libxml/parser.h>

namespace xmldom {

namespace {

// No DTD at all: print tickets never carry one, and refusing the declaration
// itself rules out entity expansion and external subsets in one place.
// Element depth stays under libxml2's own limit of 256 (XML_PARSE_HUGE is off).
constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;

void RefuseDoctype(void* context, const xmlChar*, const xmlChar*, const xmlChar*) {
  auto* parser = static_cast<xmlParserCtxtPtr>(context);
  *static_cast<bool*>(parser->_private) = true;
  xmlStopParser(parser);
}

}  // namespace

xmlDoc* ParseDocument(std::string_view bytes, const char* forcedEncoding) {
  if (bytes.empty() || bytes.size() > kMaxDocumentBytes) return nullptr;
  xmlParserCtxtPtr parser = xmlNewParserCtxt();
  if (!parser) return nullptr;
  bool saw_doctype = false;
  parser->_private = &saw_doctype;
  parser->sax->internalSubset = RefuseDoctype;
  xmlDoc* doc = xmlCtxtReadMemory(parser, bytes.data(), static_cast<int>(bytes.size()), nullptr, forcedEncoding,
                                  kParseOptions);
  const bool whole = doc && parser->wellFormed && parser->nsWellFormed && !saw_doctype;
  xmlFreeParserCtxt(parser);
  if (whole) return doc;
  xmlFreeDoc(doc);
  return nullptr;
}

}  // namespace xmldom
