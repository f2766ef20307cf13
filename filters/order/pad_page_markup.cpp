#include "pad_page_markup.h"

#include <optional>

#include "platform/utf.h"
#include "platform/xml_escape.h"

void AppendAttribute(std::u16string& tag, std::u16string_view name, std::u16string_view value) {
  tag += u' ';
  tag += name;
  tag += u"=\"";
  AppendEscapedXml(tag, value);
  tag += u'"';
}

HRESULT ToUtf8(std::u16string_view text, std::string* utf8) {
  std::optional<std::string> converted = Utf16ToUtf8(text);
  if (!converted) return HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION);
  *utf8 = std::move(*converted);
  return S_OK;
}
