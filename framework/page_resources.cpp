#include "framework/page_resources.h"

HRESULT CopyPageResources(IFixedPage* source, IFixedPage* target, std::set<std::u16string>* given) {
  if (!source || !target) return E_POINTER;
  ComPtr<IXpsPartIterator> parts;
  HRESULT hr = source->GetXpsPartIterator(parts.Put());
  if (FAILED(hr)) return hr;
  if (!parts) return E_FAIL;
  for (parts->Reset(); !parts->IsDone(); parts->Next()) {
    Bstr uri;
    ComPtr<IUnknown> part;
    hr = parts->Current(uri.Put(), part.Put());
    if (FAILED(hr)) return hr;
    if (!part) return E_POINTER;
    if (given && !given->emplace(uri.Get() ? uri.Get() : u"", SysStringLen(uri.Get())).second) continue;
    hr = target->SetPagePart(part.Get());
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}
