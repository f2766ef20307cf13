#include "framework/markup_text.h"

#include <optional>
#include <string_view>

#include "platform/wstring.h"
#include "ticket/hresult_error.h"

namespace {

std::u16string_view EntityFor(WCHAR c) {
  switch (c) {
    case u'&': return u"&amp;";
    case u'<': return u"&lt;";
    case u'>': return u"&gt;";
    case u'"': return u"&quot;";
    case u'\'': return u"&apos;";
    default: return {};
  }
}

}  // namespace

HRESULT EscapeXml(BSTR& text) {
  if (!text) return E_POINTER;
  return CallReturningHresult([&text] {
    const std::u16string_view source(text, SysStringLen(text));
    if (source.find_first_of(u"&<>\"'") == std::u16string_view::npos) return S_OK;
    // One pass over the source: inserted entities are never looked at again.
    std::u16string escaped;
    escaped.reserve(source.size() + source.size() / 2);
    for (const WCHAR c : source) {
      const std::u16string_view entity = EntityFor(c);
      if (entity.empty())
        escaped.push_back(c);
      else
        escaped.append(entity);
    }
    Bstr replacement(escaped);
    if (!replacement.Get()) return E_OUTOFMEMORY;
    SysFreeString(text);
    text = replacement.Detach();
    return S_OK;
  });
}

std::string ToUtf8(const MarkupBuffer& text) {
  if (text.Length() == 0) throw HResultError(E_FAIL);
  std::optional<std::string> bytes = ToNarrow(text.view(), CP_UTF8);
  if (!bytes) throw HResultError(E_FAIL);
  return std::move(*bytes);
}
