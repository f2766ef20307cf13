#include "host/pipeline/part_object.h"

#include <limits>

namespace kestrel::host {

HRESULT CopyToBstr(std::u16string_view text, BSTR* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (text.size() > std::numeric_limits<UINT>::max() / sizeof(WCHAR)) return E_OUTOFMEMORY;
  *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace kestrel::host
