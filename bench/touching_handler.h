// A SAX content handler that reads every name, attribute and character run it
// is given and adds up their lengths, so that no work can be skipped: the
// least any consumer of the markup does.
#pragma once

#include <cstddef>

#include "platform/com_object.h"
#include "platform/xml_sax.h"

// What each handler adds up, so that no work can be skipped.
struct Tally {
  std::size_t elements = 0;
  std::size_t characters = 0;
};

class TouchingHandler final : public ComObject<ISAXContentHandler> {
 public:
  Tally tally;

  HRESULT putDocumentLocator(ISAXLocator*) override { return S_OK; }
  HRESULT startDocument() override { return S_OK; }
  HRESULT endDocument() override { return S_OK; }
  HRESULT startPrefixMapping(const WCHAR*, int cchPrefix, const WCHAR*, int cchUri) override {
    tally.characters += static_cast<std::size_t>(cchPrefix + cchUri);
    return S_OK;
  }
  HRESULT endPrefixMapping(const WCHAR*, int) override { return S_OK; }
  HRESULT startElement(const WCHAR*, int cchUri, const WCHAR*, int cchLocal, const WCHAR*, int cchQName,
                       ISAXAttributes* attributes) override {
    ++tally.elements;
    tally.characters += static_cast<std::size_t>(cchUri + cchLocal + cchQName);
    int n = 0;
    attributes->getLength(&n);
    for (int i = 0; i < n; ++i) {
      const WCHAR *uri, *local, *qName, *value;
      int cu, cl, cq, cv;
      attributes->getName(i, &uri, &cu, &local, &cl, &qName, &cq);
      attributes->getValue(i, &value, &cv);
      tally.characters += static_cast<std::size_t>(cl + cq + cv) + value[0];
    }
    return S_OK;
  }
  HRESULT endElement(const WCHAR*, int, const WCHAR*, int cchLocal, const WCHAR*, int) override {
    tally.characters += static_cast<std::size_t>(cchLocal);
    return S_OK;
  }
  HRESULT characters(const WCHAR*, int cch) override {
    tally.characters += static_cast<std::size_t>(cch);
    return S_OK;
  }
  HRESULT ignorableWhitespace(const WCHAR*, int cch) override { return characters(nullptr, cch); }
  HRESULT processingInstruction(const WCHAR*, int, const WCHAR*, int) override { return S_OK; }
  HRESULT skippedEntity(const WCHAR*, int) override { return S_OK; }
};
