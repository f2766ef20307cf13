// Reading XML with libxml2 under one set of rules, for every part of the system
// that parses markup: no network, no document type declaration (and so no
// entity but the predefined ones), a bound on element depth and on size, and
// owners for what libxml2 allocates.
#pragma once

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace safexml {

struct DocumentFree {
  void operator()(xmlDoc* document) const { xmlFreeDoc(document); }
};
using Document = std::unique_ptr<xmlDoc, DocumentFree>;

struct ParserFree {
  void operator()(xmlParserCtxt* parser) const { xmlFreeParserCtxt(parser); }
};
using Parser = std::unique_ptr<xmlParserCtxt, ParserFree>;

struct StringFree {
  void operator()(xmlChar* text) const { xmlFree(text); }
};
using String = std::unique_ptr<xmlChar, StringFree>;

// Every parse runs with these: no network. Entity substitution, DTD loading and
// XML_PARSE_HUGE stay off, so libxml2 keeps its own depth and size bounds, and
// errors reach the caller, never stderr.
inline constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
// libxml2's own depth bound without XML_PARSE_HUGE.
inline constexpr int kMaxDepth = 256;

enum class Refusal {
  kNone,
  kTooLarge,  // libxml2 takes a length as an int
  kOutOfMemory,
  kDocumentType,  // a DOCTYPE, refused wherever it stands
  kMalformed,     // not well-formed; message and line say where
  kTooDeep,
  kNoRoot,
};

struct ReadRules {
  int extraOptions = 0;             // added to kParseOptions, e.g. XML_PARSE_NOBLANKS
  const char* url = nullptr;        // names the document in libxml2's messages
  const char* encoding = nullptr;   // overrides the declared encoding
  int maxDepth = kMaxDepth;         // deeper documents are refused
  bool namespacesWellFormed = false;  // also refuse an undeclared prefix
  bool buildTree = true;            // false: check only, the result holds no tree
};

struct ReadResult {
  Document document;  // null unless accepted; without a tree when only checked
  Refusal refusal = Refusal::kNone;
  int line = 0;         // where libxml2 found a fault, 0 when unknown
  std::string message;  // libxml2's text for kMalformed, without the line break
};

// Reads a whole document from memory under the rules above.
ReadResult Read(std::string_view bytes, const ReadRules& rules = {});

// libxml2 prints some faults (of its encoding layer, of XPath evaluation) through
// its per-thread generic handler, to stderr, besides failing the call. Every
// caller reports them from the result instead, so this drops them for the
// calling thread; Read calls it, other uses of libxml2 call it first.
void QuietGenericErrors();

// The value of an attribute in no namespace; nothing when absent.
std::optional<std::string> Attribute(const xmlNode* element, const char* name);

}  // namespace safexml
