#include "host/pipeline/part_iterator.h"

namespace kestrel::host {

HRESULT PartIterator::Current(BSTR* uri, IUnknown** part) {
  if (!uri || !part) return E_POINTER;
  *uri = nullptr;
  *part = nullptr;
  if (next_ >= resources_.size()) return E_UNEXPECTED;
  const auto& [name, object] = resources_[next_];
  if (const HRESULT hr = CopyToBstr(name, uri); FAILED(hr)) return hr;
  return object.CopyTo(part);
}

}  // namespace kestrel::host
