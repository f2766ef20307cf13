// A streaming SAX reader: the document is read in chunks and reported as content
// events with UTF-16 names and text, so that page rewriters can copy markup as it
// arrives without ever holding a whole page.
//
// Strings handed to a content handler (and those ISAXAttributes returns) are
// pointer and length, each also followed by a zero character; they are valid only
// until the callback returns.
#pragma once

#include "platform/bstr.h"
#include "platform/stream.h"
#include "platform/unknown.h"
#include "platform/variant.h"

// The position of the event being reported; after a parse, where it ended.
struct ISAXLocator : IUnknown {
  static constexpr IID iid = MakeGuid("{A5123B76-ED08-4B23-9628-42E06376F743}");
  // 1-based.
  virtual HRESULT getLineNumber(int* line) = 0;
  virtual HRESULT getColumnNumber(int* column) = 0;

 protected:
  ~ISAXLocator() = default;
};

// The attributes of one start tag in document order. Namespace declarations are
// attributes too ("xmlns", "xmlns:p", in the namespace http://www.w3.org/2000/xmlns/,
// local name the prefix or "xmlns"), in their place among the others. Values have
// character and entity references decoded.
// A bad index is E_INVALIDARG; a qualified name that is not there is
// HRESULT_FROM_WIN32(ERROR_NOT_FOUND); NULL out parameters are E_POINTER.
struct ISAXAttributes : IUnknown {
  static constexpr IID iid = MakeGuid("{1AA28EA8-9C6A-4CC0-B5CC-A6F27618BA5D}");
  virtual HRESULT getLength(int* length) = 0;
  virtual HRESULT getName(int index, const WCHAR** uri, int* cchUri, const WCHAR** localName, int* cchLocalName,
                          const WCHAR** qName, int* cchQName) = 0;
  virtual HRESULT getQName(int index, const WCHAR** qName, int* cchQName) = 0;
  virtual HRESULT getValue(int index, const WCHAR** value, int* cchValue) = 0;
  virtual HRESULT getIndexFromQName(const WCHAR* qName, int cchQName, int* index) = 0;
  virtual HRESULT getValueFromQName(const WCHAR* qName, int cchQName, const WCHAR** value, int* cchValue) = 0;

 protected:
  ~ISAXAttributes() = default;
};

// Implemented by the consumer of a parse. A failure returned from any callback
// stops the parse at once, and parse returns it.
// putDocumentLocator comes first, then startDocument. startPrefixMapping precedes
// the startElement of the declaring element, endPrefixMapping follows its
// endElement. Text may arrive in several characters calls; whitespace is reported
// as characters (without a DTD none of it is ignorable), CDATA sections as
// characters, comments not at all. skippedEntity is never called: a reference to
// an undeclared entity is a parse error.
struct ISAXContentHandler : IUnknown {
  static constexpr IID iid = MakeGuid("{EE5F85DB-7D45-47C5-AF95-468500265CEC}");
  virtual HRESULT putDocumentLocator(ISAXLocator* locator) = 0;
  virtual HRESULT startDocument() = 0;
  virtual HRESULT endDocument() = 0;
  virtual HRESULT startPrefixMapping(const WCHAR* prefix, int cchPrefix, const WCHAR* uri, int cchUri) = 0;
  virtual HRESULT endPrefixMapping(const WCHAR* prefix, int cchPrefix) = 0;
  virtual HRESULT startElement(const WCHAR* nsUri, int cchNsUri, const WCHAR* localName, int cchLocalName,
                               const WCHAR* qName, int cchQName, ISAXAttributes* attributes) = 0;
  virtual HRESULT endElement(const WCHAR* nsUri, int cchNsUri, const WCHAR* localName, int cchLocalName,
                             const WCHAR* qName, int cchQName) = 0;
  virtual HRESULT characters(const WCHAR* text, int cchText) = 0;
  virtual HRESULT ignorableWhitespace(const WCHAR* text, int cchText) = 0;
  virtual HRESULT processingInstruction(const WCHAR* target, int cchTarget, const WCHAR* data, int cchData) = 0;
  virtual HRESULT skippedEntity(const WCHAR* name, int cchName) = 0;

 protected:
  ~ISAXContentHandler() = default;
};

// Reads one document per parse call. The input is refused as E_XML_PARSE when it
// is not well-formed (truncated, undeclared namespace prefix, bytes that are not
// valid in its encoding), carries a DOCTYPE (so no DTD, external entity or entity
// expansion is ever processed), or nests elements deeper than 256 levels.
struct ISAXXMLReader : IUnknown {
  static constexpr IID iid = MakeGuid("{0A371995-D13B-4F06-A4DD-1AAE7596E78B}");
  virtual HRESULT putContentHandler(ISAXContentHandler* handler) = 0;
  virtual HRESULT getContentHandler(ISAXContentHandler** handler) = 0;
  // input: VT_UNKNOWN with an object that answers ISequentialStream (an IStream
  // does), read in chunks to its end; or VT_BSTR with the text of the document
  // (its encoding declaration is ignored). Returns the first failure: of the
  // stream, of the content handler, or of the markup.
  virtual HRESULT parse(VARIANT input) = 0;
  // Why and where the last parse stopped: S_FALSE with 0, 0 and NULL after a
  // success; otherwise S_OK, the 1-based position and a message (free it).
  virtual HRESULT getParseError(int* line, int* column, BSTR* message) = 0;

 protected:
  ~ISAXXMLReader() = default;
};

inline constexpr const IID& IID_ISAXLocator = ISAXLocator::iid;
inline constexpr const IID& IID_ISAXAttributes = ISAXAttributes::iid;
inline constexpr const IID& IID_ISAXContentHandler = ISAXContentHandler::iid;
inline constexpr const IID& IID_ISAXXMLReader = ISAXXMLReader::iid;

// The reader's class, registered with the class registry for CoCreateInstance.
inline constexpr CLSID CLSID_SAXXMLReader60 = MakeGuid("{263A1ECD-CC11-493A-97C6-67590B47729F}");
