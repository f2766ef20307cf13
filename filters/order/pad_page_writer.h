// The content handler that takes a pad page from the group's first page
// while the XML reader goes through it: the XML declaration, then the page's
// root element with all its attributes (namespace declarations included, in
// the order the reader reports them), closed at once, so the pad has the
// page's size and no content.
#pragma once

#include <string>

#include "framework/unknown_base.h"
#include "platform/xml_sax.h"

// What startElement answers once the root is copied: it stops the parse, so
// nothing after the root's start tag is read.
inline constexpr HRESULT kPadPageRootCopied = MakeHresult(0x80040A01u);

class PadPageWriter final : public UnknownBase<ISAXContentHandler> {
 public:
  PadPageWriter() = default;

  // The pad page's markup; complete once rootCopied().
  const std::u16string& markup() const { return markup_; }
  bool rootCopied() const { return rootCopied_; }

  HRESULT putDocumentLocator(ISAXLocator*) override { return S_OK; }
  HRESULT startDocument() override;
  HRESULT endDocument() override { return S_OK; }
  HRESULT startPrefixMapping(const WCHAR*, int, const WCHAR*, int) override { return S_OK; }
  HRESULT endPrefixMapping(const WCHAR*, int) override { return S_OK; }
  // The root must be a FixedPage (of any prefix); another root is
  // HRESULT_FROM_WIN32(ERROR_INVALID_DATA).
  HRESULT startElement(const WCHAR* nsUri, int cchNsUri, const WCHAR* localName, int cchLocalName,
                       const WCHAR* qName, int cchQName, ISAXAttributes* attributes) override;
  HRESULT endElement(const WCHAR*, int, const WCHAR*, int, const WCHAR*, int) override { return S_OK; }
  HRESULT characters(const WCHAR*, int) override { return S_OK; }
  HRESULT ignorableWhitespace(const WCHAR*, int) override { return S_OK; }
  HRESULT processingInstruction(const WCHAR*, int, const WCHAR*, int) override { return S_OK; }
  HRESULT skippedEntity(const WCHAR*, int) override { return S_OK; }

 private:
  HRESULT AppendAttributes(ISAXAttributes* attributes);

  std::u16string markup_;
  bool rootCopied_ = false;
};
