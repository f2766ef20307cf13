#include "framework/part_resource_cache.h"

#include "ticket/hresult_error.h"

HRESULT PartResourceCache::AttachResource(IXpsDocumentConsumer* consumer, IFixedPage* page, ResourceProvider* provider,
                                          REFIID partInterface) {
  if (!consumer || !page || !provider) return E_POINTER;
  return CallReturningHresult([&] {
    Bstr key;
    HRESULT hr = provider->GetCacheKey(&key);
    if (FAILED(hr)) return hr;
    if (key.View().empty()) return E_INVALIDARG;
    auto found = entries_.find(key.View());
    if (found == entries_.end()) {
      hr = CreateEntry(consumer, provider, partInterface, key.View());
      if (FAILED(hr)) return hr;
      found = entries_.find(key.View());
    }
    return page->SetPagePart(found->second.part.Get());
  });
}

HRESULT PartResourceCache::CreateEntry(IXpsDocumentConsumer* consumer, ResourceProvider* provider,
                                       REFIID partInterface, std::u16string_view key) {
  Bstr uri;
  HRESULT hr = provider->GetPartUri(&uri);
  if (FAILED(hr)) return hr;
  if (uri.View().empty()) return E_INVALIDARG;
  ComPtr<IUnknown> part;
  ComPtr<IPrintWriteStream> stream;
  hr = consumer->GetNewEmptyPart(uri.Get(), partInterface, part.PutVoid(), stream.Put());
  if (FAILED(hr)) return hr;
  if (!part || !stream) return E_FAIL;
  hr = provider->WritePartContent(part.Get(), stream.Get());
  stream->Close();
  if (FAILED(hr)) return hr;
  ComPtr<IPartBase> base;
  hr = part->QueryInterface(IID_IPartBase, base.PutVoid());
  if (FAILED(hr)) return hr;
  entries_.emplace(std::u16string(key), Entry{std::move(uri), std::move(base)});
  return S_OK;
}

HRESULT PartResourceCache::LookupPartUri(std::u16string_view key, Bstr* uri) const {
  if (!uri) return E_POINTER;
  if (key.empty()) return E_INVALIDARG;
  const auto found = entries_.find(key);
  if (found == entries_.end() || !found->second.uri.Get()) return E_FAIL;
  Bstr copy(found->second.uri);
  if (!copy.Get()) return E_OUTOFMEMORY;
  *uri = std::move(copy);
  return S_OK;
}
