// Feeds one fixed page (or one remote resource dictionary) to the markup
// converter as the SAX reader reports it: every start tag with its attributes
// (the last attribute first), every end tag (XPSEndCurElem for an element
// without child elements), nothing of the character data. At the start of a
// page it registers the resource callbacks and passes the device values. A
// "ResourceDictionary" whose Source names another part is followed, after its
// end tag, by that part's own elements, read by a bridge in dictionary mode.
// After every closing ImageBrush of a page the spooler is asked whether the
// job is being deleted.
//
// Names and values cross the 8-bit interface as UTF-8; "UnicodeString" values
// as UTF-16. A failing handler stops the parse with its HRESULT, and
// failure() says in words what went wrong.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "filters/rip/converter_libraries.h"
#include "filters/rip/page_device_settings.h"
#include "framework/unknown_base.h"
#include "platform/xml_sax.h"
#include "platform/xps_parts.h"

class PageMarkupBridge final : public UnknownBase<ISAXContentHandler> {
 public:
  // Page mode. printerName may be empty (no cancellation check).
  PageMarkupBridge(IFixedPage* page, const PageDeviceSettings& device, void* converter,
                   const std::u16string& printerName, DWORD jobId);
  ~PageMarkupBridge() override;

  // Whether XPSCONV.DLL loaded with every entry point; failure() says why not.
  bool Loaded() const { return library_.Loaded(); }
  const std::string& failure() const { return failure_.empty() ? library_.failure() : failure_; }

  // Parses the stream with a new SAX reader into this bridge.
  HRESULT Parse(IPrintReadStream* markup);

  HRESULT putDocumentLocator(ISAXLocator*) override { return S_OK; }
  HRESULT startDocument() override;
  HRESULT endDocument() override { return S_OK; }
  HRESULT startPrefixMapping(const WCHAR*, int, const WCHAR*, int) override { return S_OK; }
  HRESULT endPrefixMapping(const WCHAR*, int) override { return S_OK; }
  HRESULT startElement(const WCHAR* nsUri, int nsUriLength, const WCHAR* localName, int localNameLength,
                       const WCHAR* qName, int qNameLength, ISAXAttributes* attributes) override;
  HRESULT endElement(const WCHAR* nsUri, int nsUriLength, const WCHAR* localName, int localNameLength,
                     const WCHAR* qName, int qNameLength) override;
  HRESULT characters(const WCHAR*, int) override { return S_OK; }
  HRESULT ignorableWhitespace(const WCHAR*, int) override { return S_OK; }
  HRESULT processingInstruction(const WCHAR*, int, const WCHAR*, int) override { return S_OK; }
  HRESULT skippedEntity(const WCHAR*, int) override { return S_OK; }

 private:
  // Dictionary mode: the parts being read, the page's first, this one last.
  PageMarkupBridge(IFixedPage* page, void* converter, std::vector<std::u16string> chain);

  HRESULT Fail(HRESULT hr, std::string why);
  // The text as UTF-8 in out (E_FAIL when it is not valid UTF-16).
  HRESULT Narrow(std::u16string_view text, std::string& out);
  HRESULT PassAttribute(ISAXAttributes* attributes, int index, std::u16string_view element);
  HRESULT CheckCancelled();
  HRESULT ReadRemoteDictionary();

  ComPtr<IFixedPage> page_;
  MarkupConverterLibrary library_;
  void* converter_;
  const bool page_mode_;
  PageDeviceSettings device_;
  HANDLE printer_ = nullptr;
  DWORD job_id_ = 0;
  std::vector<std::u16string> chain_;
  bool just_started_ = false;
  bool dictionary_pending_ = false;
  std::u16string dictionary_source_;
  // Reused for every name and value.
  std::string narrow_name_;
  std::string narrow_value_;
  std::u16string wide_value_;
  std::string failure_;
};
