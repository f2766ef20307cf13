// Drives libxml2's push parser over a byte source in chunks and turns its SAX2
// callbacks into content-handler events. One instance serves every parse of a
// reader, so its conversion buffers are reused from page to page.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <libxml/parser.h>

#include "element_stack.h"
#include "name_cache.h"
#include "platform/safe_xml.h"
#include "platform/xml_sax.h"
#include "sax_attributes.h"
#include "sax_locator.h"
#include "utf16_arena.h"

// Reads up to capacity bytes into buffer; *read = 0 at the end.
using ByteReader = std::function<HRESULT(char* buffer, ULONG capacity, ULONG* read)>;

struct ParseFailure {
  int line = 0;
  int column = 0;
  std::string message;
};

class SaxPushParser {
 public:
  static constexpr ULONG kChunkBytes = 64 * 1024;

  SaxPushParser();

  // ignoreDeclaredEncoding: the bytes are UTF-8 whatever the XML declaration says.
  HRESULT Parse(ISAXContentHandler* handler, const ByteReader& read, bool ignoreDeclaredEncoding);
  const ParseFailure& Failure() const { return failure_; }

 private:
  static xmlSAXHandler& Callbacks();
  static void OnStartDocument(void* self);
  static void OnEndDocument(void* self);
  static void OnStartElement(void* self, const xmlChar* localName, const xmlChar* prefix, const xmlChar* uri,
                             int namespaceCount, const xmlChar** namespaces, int attributeCount,
                             int defaultedCount, const xmlChar** attributes);
  static void OnEndElement(void* self, const xmlChar* localName, const xmlChar* prefix, const xmlChar* uri);
  static void OnCharacters(void* self, const xmlChar* text, int length);
  static void OnProcessingInstruction(void* self, const xmlChar* target, const xmlChar* data);
  static void OnDoctype(void* self, const xmlChar* name, const xmlChar* externalId, const xmlChar* systemId);
  static void OnError(void* self, xmlErrorPtr error);
  template <typename Body>
  static void Guarded(void* self, Body&& body);

  HRESULT StartElement(const xmlChar* localName, const xmlChar* prefix, const xmlChar* uri, int namespaceCount,
                       const xmlChar** namespaces, int attributeCount, const xmlChar** attributes);
  HRESULT EndElement();
  HRESULT Characters(const xmlChar* text, int length);
  HRESULT ProcessingInstruction(const xmlChar* target, const xmlChar* data);

  // Fills the attribute table in document order; false when a string is not UTF-8.
  bool CollectAttributes(int namespaceCount, const xmlChar** namespaces, int attributeCount,
                         const xmlChar** attributes);
  bool AddDeclaration(const xmlChar* prefix, const xmlChar* uri);
  bool AddAttribute(const xmlChar* const* attribute);
  bool DeclarationsInterleave(int namespaceCount, int attributeCount);
  std::string_view CurrentStartTag() const;
  std::string_view DecodedValue(std::string_view raw);

  void Run(const ByteReader& read, bool ignoreDeclaredEncoding);
  // end: the input has ended already.
  void Feed(const ByteReader& read, bool end);
  HRESULT ReadInto(const ByteReader& read, char* buffer, ULONG capacity, ULONG* got);
  HRESULT Unconvertible();
  // Records the first failure and stops the parser; returns hr.
  HRESULT Fail(HRESULT hr, std::string message);
  bool Failed() const { return FAILED(result_); }

  ComPtr<ISAXContentHandler> handler_;
  ComPtr<SaxLocator> locator_;
  ComPtr<SaxAttributes> attributes_;
  safexml::Parser parser_;
  HRESULT result_ = S_OK;
  bool ended_ = false;
  ParseFailure failure_;

  NameCache names_;
  ElementStack elements_;
  Utf16Arena text_;
  std::vector<bool> declarationOrder_;
  std::string decoded_;
  std::unique_ptr<char[]> chunk_;
};
