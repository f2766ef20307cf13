#include "pad_page_writer.h"

#include <optional>
#include <string_view>

#include "pad_page_markup.h"

namespace {

constexpr std::u16string_view kXmlDeclaration = u"<?xml version=\"1.0\" encoding=\"utf-8\"?>";

// The reader's pointer and length as a view; nothing for a negative length.
std::optional<std::u16string_view> Text(const WCHAR* text, int length) {
  if (length < 0 || (!text && length > 0)) return std::nullopt;
  return std::u16string_view(text ? text : u"", static_cast<std::size_t>(length));
}

}  // namespace

HRESULT PadPageWriter::startDocument() {
  markup_ = kXmlDeclaration;
  return S_OK;
}

HRESULT PadPageWriter::startElement(const WCHAR*, int, const WCHAR* localName, int cchLocalName,
                                    const WCHAR* qName, int cchQName, ISAXAttributes* attributes) {
  const std::optional<std::u16string_view> local = Text(localName, cchLocalName);
  const std::optional<std::u16string_view> name = Text(qName, cchQName);
  if (!local || !name || !attributes) return E_INVALIDARG;
  if (*local != u"FixedPage") return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
  markup_ += u'<';
  markup_ += *name;
  if (const HRESULT hr = AppendAttributes(attributes); FAILED(hr)) return hr;
  markup_ += u"/>";
  rootCopied_ = true;
  return kPadPageRootCopied;
}

HRESULT PadPageWriter::AppendAttributes(ISAXAttributes* attributes) {
  int count = 0;
  HRESULT hr = attributes->getLength(&count);
  if (FAILED(hr)) return hr;
  for (int index = 0; index < count; ++index) {
    const WCHAR* qName = nullptr;
    int cchQName = 0;
    hr = attributes->getQName(index, &qName, &cchQName);
    if (FAILED(hr)) return hr;
    const std::optional<std::u16string_view> name = Text(qName, cchQName);
    const WCHAR* value = nullptr;
    int cchValue = 0;
    hr = attributes->getValue(index, &value, &cchValue);
    if (FAILED(hr)) return hr;
    const std::optional<std::u16string_view> text = Text(value, cchValue);
    if (!name || !text) return E_INVALIDARG;
    AppendAttribute(markup_, *name, *text);
  }
  return S_OK;
}
