#include "page_decoration.h"

HRESULT PageDecoration::PrepareResources(IXpsDocumentConsumer* consumer, IFixedPage* page, PartResourceCache* cache) {
  if (!consumer || !page || !cache) return E_POINTER;
  resourceUri_ = Bstr();
  HRESULT hr = cache->AttachResource(consumer, page, &Provider(), PartInterface());
  if (FAILED(hr)) return hr;
  Bstr key;
  hr = Provider().GetCacheKey(&key);
  if (FAILED(hr)) return hr;
  return cache->LookupPartUri(key.View(), &resourceUri_);
}

HRESULT PageDecoration::GetMarkup(bool background, std::u16string* markup) const {
  if (!markup) return E_POINTER;
  if (!built_) return E_PENDING;
  *markup = background ? background_ : foreground_;
  return S_OK;
}

void PageDecoration::SetMarkup(std::u16string foreground, std::u16string background) {
  foreground_ = std::move(foreground);
  background_ = std::move(background);
  built_ = true;
}
