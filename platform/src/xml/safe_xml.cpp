#include "platform/safe_xml.h"

#include <libxml/SAX2.h>
#include <libxml/xmlerror.h>

#include <mutex>

#include "platform/checked_int.h"

namespace safexml {
namespace {

// Kept on the parser context while a document is read.
struct ReadState {
  const ReadRules& rules;
  int depth = 0;
  bool sawRoot = false;
  Refusal refusal = Refusal::kNone;
};

ReadState& StateOf(void* context) {
  return *static_cast<ReadState*>(static_cast<xmlParserCtxt*>(context)->_private);
}

void Refuse(void* context, Refusal refusal) {
  ReadState& state = StateOf(context);
  if (state.refusal == Refusal::kNone) state.refusal = refusal;
  xmlStopParser(static_cast<xmlParserCtxt*>(context));
}

// Stopping at the declaration itself keeps entity declarations and external
// subsets out altogether.
void OnDocumentType(void* context, const xmlChar*, const xmlChar*, const xmlChar*) {
  Refuse(context, Refusal::kDocumentType);
}

// Counted as elements open, so a deep document stops before its tree is built.
void OnStartElement(void* context, const xmlChar* localName, const xmlChar* prefix, const xmlChar* uri,
                    int namespaceCount, const xmlChar** namespaces, int attributeCount, int defaultedCount,
                    const xmlChar** attributes) {
  ReadState& state = StateOf(context);
  state.sawRoot = true;
  if (++state.depth > state.rules.maxDepth) return Refuse(context, Refusal::kTooDeep);
  if (state.rules.buildTree)
    xmlSAX2StartElementNs(context, localName, prefix, uri, namespaceCount, namespaces, attributeCount,
                          defaultedCount, attributes);
}

void OnEndElement(void* context, const xmlChar* localName, const xmlChar* prefix, const xmlChar* uri) {
  ReadState& state = StateOf(context);
  --state.depth;
  if (state.rules.buildTree) xmlSAX2EndElementNs(context, localName, prefix, uri);
}

// Handlers that drop the content: the parser still checks it all.
void IgnoreContent(xmlSAXHandler& sax) {
  sax.characters = [](void*, const xmlChar*, int) {};
  sax.ignorableWhitespace = [](void*, const xmlChar*, int) {};
  sax.cdataBlock = [](void*, const xmlChar*, int) {};
  sax.comment = [](void*, const xmlChar*) {};
  sax.processingInstruction = [](void*, const xmlChar*, const xmlChar*) {};
  sax.reference = [](void*, const xmlChar*) {};
}

void IgnoreGenericError(void*, const char*, ...) {}

std::string Trimmed(const char* message) {
  std::string text = message ? message : "";
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

}  // namespace

void QuietGenericErrors() {
  thread_local const bool quiet = [] {
    xmlSetGenericErrorFunc(nullptr, IgnoreGenericError);
    return true;
  }();
  static_cast<void>(quiet);
}

ReadResult Read(std::string_view bytes, const ReadRules& rules) {
  static std::once_flag init;
  std::call_once(init, [] { xmlInitParser(); });
  QuietGenericErrors();
  ReadResult result;
  const std::optional<int> length = TryIntCast<int>(bytes.size());
  if (!length) {
    result.refusal = Refusal::kTooLarge;
    return result;
  }
  Parser parser(xmlNewParserCtxt());
  if (!parser) {
    result.refusal = Refusal::kOutOfMemory;
    return result;
  }
  ReadState state{rules};
  parser->_private = &state;
  xmlSAXHandler& sax = *parser->sax;
  sax.internalSubset = OnDocumentType;
  sax.externalSubset = OnDocumentType;
  sax.startElementNs = OnStartElement;
  sax.endElementNs = OnEndElement;
  if (!rules.buildTree) IgnoreContent(sax);

  Document document(xmlCtxtReadMemory(parser.get(), bytes.data(), *length, rules.url,
                                      rules.encoding, kParseOptions | rules.extraOptions));
  const xmlError& error = parser->lastError;
  result.line = error.line;
  if (state.refusal != Refusal::kNone) {
    result.refusal = state.refusal;
  } else if (!document || !parser->wellFormed || (rules.namespacesWellFormed && !parser->nsWellFormed)) {
    result.refusal = error.code == XML_ERR_NO_MEMORY ? Refusal::kOutOfMemory : Refusal::kMalformed;
    result.message = Trimmed(error.message);
  } else if (document->intSubset || document->extSubset) {
    result.refusal = Refusal::kDocumentType;
  } else if (!state.sawRoot) {
    result.refusal = Refusal::kNoRoot;
  } else {
    result.document = std::move(document);
  }
  return result;
}

std::optional<std::string> Attribute(const xmlNode* element, const char* name) {
  const String value(xmlGetNoNsProp(element, reinterpret_cast<const xmlChar*>(name)));
  if (!value) return std::nullopt;
  return std::string(reinterpret_cast<const char*>(value.get()));
}

}  // namespace safexml
