// The objects behind GDI handles and the registry that tells a live handle
// from a stale one.
#pragma once

#include <memory>
#include <mutex>

#include "font_face.h"
#include "platform/gdi_font.h"

// What a font handle stands for: a face at a pixel size, as requested.
struct SelectedFont {
  std::shared_ptr<const FontFace> face;  // none for the stock font
  double emPixels = 0;
  LONG weight = FW_NORMAL;
  bool italic = false;
  BYTE charSet = DEFAULT_CHARSET;

  // A length in design units as whole pixels.
  LONG Scale(int units) const;
};

struct GdiFontObject {
  std::shared_ptr<const SelectedFont> font;
};

struct GdiDeviceContext {
  HGDIOBJ selected = nullptr;
  // Kept by value so a font deleted while selected stays usable here.
  std::shared_ptr<const SelectedFont> font;
};

// The context's font when the handle is live and has a face; otherwise sets
// ERROR_INVALID_HANDLE and returns nullptr.
std::shared_ptr<const SelectedFont> FontOfContext(HDC dc);
