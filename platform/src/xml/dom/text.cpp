#include "text.h"

#include <algorithm>
#include <limits>

#include "platform/utf.h"

namespace xmldom {

HRESULT ToBstr(std::string_view utf8, BSTR* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  const std::optional<std::u16string> wide = Utf8ToUtf16(utf8);
  if (!wide) return E_FAIL;
  if (wide->size() > std::numeric_limits<UINT>::max()) return E_OUTOFMEMORY;
  *out = SysAllocStringLen(wide->data(), static_cast<UINT>(wide->size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

std::optional<std::string> Utf8FromBstr(BSTR text) {
  const std::u16string_view view(text ? text : u"", SysStringLen(text));
  if (view.find(u'\0') != std::u16string_view::npos) return std::nullopt;
  return Utf16ToUtf8(view);
}

namespace {

// Surrogates are checked by the UTF-8 conversion; this leaves the C0 controls
// other than tab, line feed and carriage return, and the two non-characters.
bool IsXmlCharacterUnit(char16_t c) {
  if (c < 0x20) return c == 0x9 || c == 0xA || c == 0xD;
  return c != 0xFFFE && c != 0xFFFF;
}

}  // namespace

std::optional<std::string> XmlTextFromBstr(BSTR text) {
  const std::u16string_view view(text ? text : u"", SysStringLen(text));
  if (!std::all_of(view.begin(), view.end(), IsXmlCharacterUnit)) return std::nullopt;
  return Utf16ToUtf8(view);
}

}  // namespace xmldom
