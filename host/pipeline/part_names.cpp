#include "host/pipeline/part_names.h"

#include "host/package/part_name.h"
#include "platform/utf.h"
#include "platform/xps_parts.h"

namespace kestrel::host {

bool SamePartName(std::u16string_view a, std::u16string_view b) {
  const std::optional<std::string> a8 = Utf16ToUtf8(a);
  const std::optional<std::string> b8 = Utf16ToUtf8(b);
  return a8 && b8 && package::SamePartName(*a8, *b8);
}

std::optional<std::u16string> PartUri(IUnknown* part) {
  ComPtr<IPartBase> base;
  if (!part || FAILED(ComPtr<IUnknown>(part).As(base))) return std::nullopt;
  Bstr uri;
  if (FAILED(base->GetUri(uri.Put())) || uri.Empty()) return std::nullopt;
  return std::u16string(uri.View());
}

}  // namespace kestrel::host
