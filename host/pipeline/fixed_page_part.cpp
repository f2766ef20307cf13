#include "host/pipeline/fixed_page_part.h"

#include <algorithm>

#include "host/pipeline/part_iterator.h"
#include "host/pipeline/part_names.h"

namespace kestrel::host {

PageResources::iterator FixedPagePart::FindResource(std::u16string_view uri) {
  return std::find_if(resources_.begin(), resources_.end(),
                      [&](const auto& resource) { return SamePartName(resource.first, uri); });
}

HRESULT FixedPagePart::GetPagePart(LPCWSTR uri, IUnknown** part) {
  if (!uri || !part) return E_POINTER;
  *part = nullptr;
  std::lock_guard lock(mutex_);
  const auto found = FindResource(uri);
  if (found == resources_.end()) return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
  return found->second.CopyTo(part);
}

HRESULT FixedPagePart::SetPagePart(IUnknown* part) {
  if (!part) return E_POINTER;
  std::optional<std::u16string> uri = PartUri(part);
  if (!uri) return E_INVALIDARG;
  try {
    std::lock_guard lock(mutex_);
    if (const auto found = FindResource(*uri); found != resources_.end())
      found->second = ComPtr<IUnknown>(part);
    else
      resources_.emplace_back(std::move(*uri), ComPtr<IUnknown>(part));
    MarkChanged();
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT FixedPagePart::DeleteResource(LPCWSTR uri) {
  if (!uri) return E_POINTER;
  std::lock_guard lock(mutex_);
  const auto found = FindResource(uri);
  if (found == resources_.end()) return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
  resources_.erase(found);
  MarkChanged();
  return S_OK;
}

HRESULT FixedPagePart::GetXpsPartIterator(IXpsPartIterator** iterator) {
  if (!iterator) return E_POINTER;
  *iterator = nullptr;
  try {
    PageResources snapshot;
    {
      std::lock_guard lock(mutex_);
      snapshot = resources_;
    }
    ComPtr<IXpsPartIterator> made = MakeComObject<PartIterator, IXpsPartIterator>(std::move(snapshot));
    if (!made) return E_OUTOFMEMORY;
    *iterator = made.Detach();
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT FixedPagePart::GetWriteStream(IPrintWriteStream** stream) {
  if (!stream) return E_POINTER;
  *stream = nullptr;
  std::shared_ptr<ContentSource> content;
  ComPtr<IPrintWriteStream> writer;
  if (const HRESULT hr = written_->Make(content, writer); FAILED(hr)) return hr;
  ReplaceContent(std::move(content));
  *stream = writer.Detach();
  return S_OK;
}

}  // namespace kestrel::host
