#include "platform/wstring.h"

#include <algorithm>

namespace {

using Traits = std::char_traits<WCHAR>;

bool IsHighSurrogate(WCHAR c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(WCHAR c) { return c >= 0xDC00 && c <= 0xDFFF; }

std::u16string_view View(LPCWSTR text) { return text ? std::u16string_view(text) : std::u16string_view(); }

WCHAR FoldAscii(WCHAR c) { return c >= u'A' && c <= u'Z' ? static_cast<WCHAR>(c - u'A' + u'a') : c; }

int Sign(int difference) { return (difference > 0) - (difference < 0); }

}  // namespace

std::size_t WideLength(LPCWSTR text) { return View(text).size(); }

std::size_t WidePrefixLength(std::u16string_view text, std::size_t maxUnits) {
  if (maxUnits >= text.size()) return text.size();
  if (maxUnits > 0 && IsHighSurrogate(text[maxUnits - 1]) && IsLowSurrogate(text[maxUnits])) return maxUnits - 1;
  return maxUnits;
}

HRESULT WideCopy(LPWSTR dst, std::size_t dstCount, LPCWSTR src) {
  if (!dst || !src) return E_POINTER;
  if (dstCount == 0) return E_INVALIDARG;
  const std::u16string_view text(src);
  const std::size_t kept = WidePrefixLength(text, dstCount - 1);
  Traits::move(dst, text.data(), kept);
  dst[kept] = u'\0';
  return kept == text.size() ? S_OK : HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
}

HRESULT WideConcat(LPWSTR dst, std::size_t dstCount, LPCWSTR src) {
  if (!dst || !src) return E_POINTER;
  const LPWSTR end = std::find(dst, dst + dstCount, u'\0');
  if (end == dst + dstCount) return E_INVALIDARG;
  return WideCopy(end, dstCount - static_cast<std::size_t>(end - dst), src);
}

int WideCompare(LPCWSTR a, LPCWSTR b) { return Sign(View(a).compare(View(b))); }

int WideCompareNoCase(LPCWSTR a, LPCWSTR b) {
  const std::u16string_view x = View(a), y = View(b);
  const auto [px, py] = std::mismatch(x.begin(), x.end(), y.begin(), y.end(),
                                      [](WCHAR l, WCHAR r) { return FoldAscii(l) == FoldAscii(r); });
  if (px == x.end()) return py == y.end() ? 0 : -1;
  if (py == y.end()) return 1;
  return FoldAscii(*px) < FoldAscii(*py) ? -1 : 1;
}

LPCWSTR WideFind(LPCWSTR text, LPCWSTR part) {
  if (!text || !part) return nullptr;
  const std::size_t at = std::u16string_view(text).find(part);
  return at == std::u16string_view::npos ? nullptr : text + at;
}

LPCWSTR WideFindChar(LPCWSTR text, WCHAR c) {
  if (!text) return nullptr;
  const std::u16string_view view(text, WideLength(text) + 1);  // the terminator can be found too
  const std::size_t at = view.find(c);
  return at == std::u16string_view::npos ? nullptr : text + at;
}
