#include "gdi_objects.h"

#include <cmath>
#include <string_view>
#include <unordered_set>
#include <utility>

#include "face_cache.h"
#include "platform/hresult.h"
#include "platform/last_error.h"

namespace {

constexpr int kDisplayPixelsPerInch = 96;
// What a request of height 0 gets: 12 points on the display.
constexpr double kDefaultEmPixels = 16;
// Heights beyond this are absurd requests, refused before any arithmetic on them.
constexpr LONG kMaxHeightPixels = 16384;

struct Registry {
  std::mutex mutex;
  std::unordered_set<const void*> contexts;
  std::unordered_set<const void*> fonts;
};

Registry& Handles() {
  static Registry registry;
  return registry;
}

// Selected into every new context; it has no face, so it measures nothing.
GdiFontObject& StockFont() {
  static GdiFontObject stock{std::make_shared<SelectedFont>()};
  return stock;
}

bool IsLiveContext(HDC dc) {
  Registry& r = Handles();
  const std::lock_guard lock(r.mutex);
  return dc && r.contexts.contains(dc);
}

double EmPixels(const LOGFONTW& request, const FontFaceMetrics& metrics) {
  if (request.lfHeight < 0) return -static_cast<double>(request.lfHeight);
  if (request.lfHeight == 0) return kDefaultEmPixels;
  // A positive height is the cell: ascent plus descent.
  const int cell = metrics.ascent + metrics.descent;
  return cell > 0 ? static_cast<double>(request.lfHeight) * metrics.unitsPerEm / cell : kDefaultEmPixels;
}

}  // namespace

LONG SelectedFont::Scale(int units) const {
  return static_cast<LONG>(std::lround(units * emPixels / face->Metrics().unitsPerEm));
}

std::shared_ptr<const SelectedFont> FontOfContext(HDC dc) {
  std::shared_ptr<const SelectedFont> font;
  {
    Registry& r = Handles();
    const std::lock_guard lock(r.mutex);
    if (dc && r.contexts.contains(dc)) font = dc->font;
  }
  if (font && font->face) return font;
  SetLastError(ERROR_INVALID_HANDLE);
  return nullptr;
}

HDC CreateDCW(LPCWSTR driver, LPCWSTR, LPCWSTR, const void*) {
  if (!driver || std::u16string_view(driver) != u"DISPLAY") {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto* dc = new GdiDeviceContext{&StockFont(), StockFont().font};
  Registry& r = Handles();
  const std::lock_guard lock(r.mutex);
  r.contexts.insert(dc);
  return dc;
}

BOOL DeleteDC(HDC dc) {
  {
    Registry& r = Handles();
    const std::lock_guard lock(r.mutex);
    if (!dc || !r.contexts.erase(dc)) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
  }
  delete dc;
  return TRUE;
}

int GetDeviceCaps(HDC dc, int index) {
  if (!IsLiveContext(dc)) return 0;
  return index == LOGPIXELSX || index == LOGPIXELSY ? kDisplayPixelsPerInch : 0;
}

HFONT CreateFontIndirectW(const LOGFONTW* request) {
  if (!request) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::size_t length = 0;
  while (length < LF_FACESIZE && request->lfFaceName[length] != u'\0') ++length;
  const std::u16string_view faceName(request->lfFaceName, length);
  if (faceName.size() == LF_FACESIZE || request->lfHeight < -kMaxHeightPixels ||
      request->lfHeight > kMaxHeightPixels) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const bool italic = request->lfItalic != 0;
  for (const FontFileLocation& candidate : CachedMatchFontFaces(faceName, request->lfWeight, italic, request->lfCharSet)) {
    // A candidate whose file is damaged is passed over for the next best.
    std::shared_ptr<const FontFace> face = OpenCachedFontFace(candidate);
    if (!face) continue;
    auto selected = std::make_shared<SelectedFont>();
    selected->emPixels = EmPixels(*request, face->Metrics());
    selected->face = std::move(face);
    selected->weight = request->lfWeight > 0 ? request->lfWeight : FW_NORMAL;
    selected->italic = italic;
    selected->charSet = request->lfCharSet;
    auto* font = new GdiFontObject{std::move(selected)};
    Registry& r = Handles();
    const std::lock_guard lock(r.mutex);
    r.fonts.insert(font);
    return font;
  }
  SetLastError(ERROR_NOT_FOUND);
  return nullptr;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  GdiFontObject* stock = &StockFont();
  Registry& r = Handles();
  const std::lock_guard lock(r.mutex);
  const bool liveFont = object == stock || (object && r.fonts.contains(object));
  if (!dc || !r.contexts.contains(dc) || !liveFont) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  dc->font = static_cast<GdiFontObject*>(object)->font;
  return std::exchange(dc->selected, object);
}

BOOL DeleteObject(HGDIOBJ object) {
  if (object == &StockFont()) return TRUE;
  {
    Registry& r = Handles();
    const std::lock_guard lock(r.mutex);
    if (!object || !r.fonts.erase(object)) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
  }
  delete static_cast<GdiFontObject*>(object);
  return TRUE;
}
