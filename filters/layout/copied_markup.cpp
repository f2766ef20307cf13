#include "copied_markup.h"

#include "platform/checked_int.h"
#include "platform/xml_escape.h"

HRESULT AttributeAt(ISAXAttributes* attributes, int index, CopiedAttribute* attribute) {
  const WCHAR *uri = nullptr, *local = nullptr, *qName = nullptr, *value = nullptr;
  int uriLength = 0, localLength = 0, qLength = 0, valueLength = 0;
  HRESULT hr = attributes->getName(index, &uri, &uriLength, &local, &localLength, &qName, &qLength);
  if (FAILED(hr)) return hr;
  hr = attributes->getValue(index, &value, &valueLength);
  if (FAILED(hr)) return hr;
  attribute->qName = std::u16string_view(qName, IntCast<std::size_t>(qLength));
  attribute->localName = std::u16string_view(local, IntCast<std::size_t>(localLength));
  attribute->value = std::u16string_view(value, IntCast<std::size_t>(valueLength));
  return S_OK;
}

void AppendAttribute(std::u16string& markup, std::u16string_view name, std::u16string_view value) {
  markup += u' ';
  markup += name;
  markup += u"=\"";
  AppendEscapedXml(markup, value);
  markup += u'"';
}

HRESULT AppendStartTag(std::u16string& markup, std::u16string_view name, ISAXAttributes* attributes,
                       const std::function<std::u16string(const CopiedAttribute&)>& valueOf) {
  int count = 0;
  HRESULT hr = attributes->getLength(&count);
  if (FAILED(hr)) return hr;
  markup += u'<';
  markup += name;
  for (int i = 0; i < count; ++i) {
    CopiedAttribute attribute;
    hr = AttributeAt(attributes, i, &attribute);
    if (FAILED(hr)) return hr;
    AppendAttribute(markup, attribute.qName, valueOf(attribute));
  }
  return S_OK;
}

void AppendEndTag(std::u16string& markup, std::u16string_view name, bool startTagOpen) {
  if (startTagOpen) {
    markup += u"/>";
    return;
  }
  markup += u"</";
  markup += name;
  markup += u'>';
}
