#include "host/pipeline/property_bag.h"

namespace kestrel::host {

HRESULT PropertyBag::AddProperty(LPCWSTR name, const VARIANT* value) {
  if (!name || !value) return E_POINTER;
  if (*name == u'\0') return E_INVALIDARG;
  Variant copy;
  if (const HRESULT hr = VariantCopy(copy.Get(), value); FAILED(hr)) return hr;
  try {
    std::lock_guard lock(mutex_);
    values_.insert_or_assign(std::u16string(name), std::move(copy));
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

HRESULT PropertyBag::GetProperty(LPCWSTR name, VARIANT* value) {
  if (!name || !value) return E_POINTER;
  std::lock_guard lock(mutex_);
  const auto found = values_.find(std::u16string_view(name));
  if (found == values_.end()) return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
  VariantInit(value);
  return VariantCopy(value, found->second.Get());
}

BOOL PropertyBag::DeleteProperty(LPCWSTR name) {
  if (!name) return FALSE;
  std::lock_guard lock(mutex_);
  const auto found = values_.find(std::u16string_view(name));
  if (found == values_.end()) return FALSE;
  values_.erase(found);
  return TRUE;
}

}  // namespace kestrel::host
