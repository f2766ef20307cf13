#include "sax_attributes.h"

#include <string_view>

void SaxAttributes::Clear() {
  strings_.Clear();
  entries_.clear();
}

const SaxAttributes::Entry* SaxAttributes::Find(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= entries_.size()) return nullptr;
  return &entries_[static_cast<std::size_t>(index)];
}

HRESULT SaxAttributes::Put(Utf16Span s, const WCHAR** text, int* length) const {
  *text = strings_.At(s.offset);
  *length = s.length;
  return S_OK;
}

HRESULT SaxAttributes::getLength(int* length) {
  if (!length) return E_POINTER;
  // Never more than a start tag can hold, which libxml2 counts in an int.
  *length = static_cast<int>(entries_.size());
  return S_OK;
}

HRESULT SaxAttributes::getName(int index, const WCHAR** uri, int* cchUri, const WCHAR** localName,
                               int* cchLocalName, const WCHAR** qName, int* cchQName) {
  if (!uri || !cchUri || !localName || !cchLocalName || !qName || !cchQName) return E_POINTER;
  const Entry* e = Find(index);
  if (!e) return E_INVALIDARG;
  Put(e->uri, uri, cchUri);
  Put(e->localName, localName, cchLocalName);
  return Put(e->qName, qName, cchQName);
}

HRESULT SaxAttributes::getQName(int index, const WCHAR** qName, int* cchQName) {
  if (!qName || !cchQName) return E_POINTER;
  const Entry* e = Find(index);
  return e ? Put(e->qName, qName, cchQName) : E_INVALIDARG;
}

HRESULT SaxAttributes::getValue(int index, const WCHAR** value, int* cchValue) {
  if (!value || !cchValue) return E_POINTER;
  const Entry* e = Find(index);
  return e ? Put(e->value, value, cchValue) : E_INVALIDARG;
}

HRESULT SaxAttributes::getIndexFromQName(const WCHAR* qName, int cchQName, int* index) {
  if (!qName || !index) return E_POINTER;
  if (cchQName < 0) return E_INVALIDARG;
  const std::u16string_view wanted(qName, static_cast<std::size_t>(cchQName));
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (strings_.View(entries_[i].qName) == wanted) {
      *index = static_cast<int>(i);
      return S_OK;
    }
  }
  return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
}

HRESULT SaxAttributes::getValueFromQName(const WCHAR* qName, int cchQName, const WCHAR** value, int* cchValue) {
  if (!value || !cchValue) return E_POINTER;
  int index = 0;
  const HRESULT hr = getIndexFromQName(qName, cchQName, &index);
  if (FAILED(hr)) return hr;
  return getValue(index, value, cchValue);
}
