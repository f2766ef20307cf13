#include "pad_page_markup.h"

#include <optional>

#include "platform/utf.h"

namespace {

std::u16string_view Reference(char16_t c) {
  switch (c) {
    case u'&': return u"&amp;";
    case u'<': return u"&lt;";
    case u'>': return u"&gt;";
    case u'"': return u"&quot;";
    // A reader would turn literal line breaks and tabs in a value into blanks.
    case u'\t': return u"&#x9;";
    case u'\n': return u"&#xA;";
    case u'\r': return u"&#xD;";
    default: return {};
  }
}

}  // namespace

void AppendAttribute(std::u16string& tag, std::u16string_view name, std::u16string_view value) {
  tag += u' ';
  tag += name;
  tag += u"=\"";
  for (const char16_t c : value) {
    const std::u16string_view reference = Reference(c);
    if (reference.empty())
      tag += c;
    else
      tag += reference;
  }
  tag += u'"';
}

HRESULT ToUtf8(std::u16string_view text, std::string* utf8) {
  std::optional<std::string> converted = Utf16ToUtf8(text);
  if (!converted) return HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION);
  *utf8 = std::move(*converted);
  return S_OK;
}
