// Resource parts already created for the job (fonts by face name, images by
// bitmap path), so that a resource is made once and every page that uses it
// references that one part. An entry, once stored, is never replaced: a later
// provider's proposed name for the same key is discarded.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "framework/resource_provider.h"
#include "platform/bstr.h"
#include "platform/xps_parts.h"

class PartResourceCache {
 public:
  // Makes the provider's part once per key (GetNewEmptyPart with partInterface,
  // IID_IPartFont or IID_IPartImage, the provider writing its content; the
  // stream is closed whatever happens) and attaches the key's part to the page.
  // E_POINTER for NULL arguments; otherwise the first failure.
  HRESULT AttachResource(IXpsDocumentConsumer* consumer, IFixedPage* page, ResourceProvider* provider,
                         REFIID partInterface);
  // The URI of the part stored under key. E_POINTER for a NULL out,
  // E_INVALIDARG for an empty key, E_FAIL when there is no such entry.
  HRESULT LookupPartUri(std::u16string_view key, Bstr* uri) const;
  // Releases every part held.
  void Clear() { entries_.clear(); }

 private:
  struct Entry {
    Bstr uri;
    ComPtr<IPartBase> part;
  };
  HRESULT CreateEntry(IXpsDocumentConsumer* consumer, ResourceProvider* provider, REFIID partInterface,
                      std::u16string_view key);

  std::map<std::u16string, Entry, std::less<>> entries_;
};
