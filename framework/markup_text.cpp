#include "framework/markup_text.h"

#include <optional>
#include <string_view>

#include "platform/wstring.h"
#include "platform/xml_escape.h"
#include "ticket/hresult_error.h"

HRESULT EscapeXml(BSTR& text) {
  if (!text) return E_POINTER;
  return CallReturningHresult([&text] {
    const std::u16string_view source(text, SysStringLen(text));
    std::u16string escaped;
    escaped.reserve(source.size() + source.size() / 2);
    AppendEscapedXml(escaped, source);
    if (escaped == source) return S_OK;
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
