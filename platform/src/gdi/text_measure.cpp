// Measuring text and reading font files with the font selected into a context.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

#include "gdi_objects.h"
#include "platform/hresult.h"
#include "platform/last_error.h"

namespace {

bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// The sfnt tag of a GetFontData table argument (its bytes are the tag in file order).
std::uint32_t SfntTagOf(DWORD table) {
  return ((table & 0xFF) << 24) | ((table & 0xFF00) << 8) | ((table >> 8) & 0xFF00) | (table >> 24);
}

}  // namespace

BOOL GetTextExtentPoint32W(HDC dc, LPCWSTR text, int count, SIZE* size) {
  const std::shared_ptr<const SelectedFont> font = FontOfContext(dc);
  if (!font) return FALSE;
  if (!size || count < 0 || (!text && count > 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::int64_t width = 0;
  for (int i = 0; i < count; ++i) {
    char32_t codePoint = text[i];
    // Only a pair inside the counted text joins; a lone surrogate draws the missing glyph.
    if (IsHighSurrogate(text[i]) && i + 1 < count && IsLowSurrogate(text[i + 1])) {
      codePoint = 0x10000 + ((char32_t(text[i]) - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00);
      ++i;
    } else if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i])) {
      codePoint = 0;
    }
    width += font->Scale(font->face->AdvanceUnits(codePoint));
  }
  const FontFaceMetrics& m = font->face->Metrics();
  size->cx = static_cast<LONG>(std::min<std::int64_t>(width, std::numeric_limits<LONG>::max()));
  size->cy = font->Scale(m.ascent) + font->Scale(m.descent);
  return TRUE;
}

BOOL GetTextMetricsW(HDC dc, TEXTMETRICW* metrics) {
  const std::shared_ptr<const SelectedFont> font = FontOfContext(dc);
  if (!font) return FALSE;
  if (!metrics) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const FontFaceMetrics& m = font->face->Metrics();
  TEXTMETRICW tm{};
  tm.tmAscent = font->Scale(m.ascent);
  tm.tmDescent = font->Scale(m.descent);
  tm.tmHeight = tm.tmAscent + tm.tmDescent;
  tm.tmInternalLeading = std::max<LONG>(0, tm.tmHeight - font->Scale(m.unitsPerEm));
  tm.tmExternalLeading = font->Scale(m.lineGap);
  tm.tmAveCharWidth = font->Scale(m.averageWidth);
  tm.tmMaxCharWidth = font->Scale(m.maxAdvance);
  tm.tmWeight = font->weight;
  tm.tmDigitizedAspectX = 96;
  tm.tmDigitizedAspectY = 96;
  tm.tmFirstChar = m.firstChar;
  tm.tmLastChar = m.lastChar;
  tm.tmDefaultChar = 0;
  tm.tmBreakChar = u' ';
  tm.tmItalic = font->italic ? 1 : 0;
  tm.tmPitchAndFamily = TMPF_TRUETYPE | TMPF_VECTOR | (m.fixedPitch ? 0 : TMPF_FIXED_PITCH);
  tm.tmCharSet = font->charSet;
  *metrics = tm;
  return TRUE;
}

DWORD GetFontData(HDC dc, DWORD table, DWORD offset, void* buffer, DWORD size) {
  const std::shared_ptr<const SelectedFont> font = FontOfContext(dc);
  if (!font) return GDI_ERROR;
  std::span<const BYTE> data;
  if (table == 0) {
    data = font->face->File();
  } else if (table == kFontDataCollection) {
    if (!font->face->InCollection()) {
      SetLastError(ERROR_NOT_FOUND);
      return GDI_ERROR;
    }
    data = font->face->File();
  } else if (const auto found = font->face->Table(SfntTagOf(table))) {
    data = *found;
  } else {
    SetLastError(ERROR_NOT_FOUND);
    return GDI_ERROR;
  }
  // Font files are read whole only up to 64 MB, so every size here fits a DWORD.
  if (offset > data.size()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return GDI_ERROR;
  }
  const std::size_t available = data.size() - offset;
  if (!buffer || size == 0) return static_cast<DWORD>(available);
  const std::size_t copied = std::min<std::size_t>(available, size);
  std::memcpy(buffer, data.data() + offset, copied);
  return static_cast<DWORD>(copied);
}
