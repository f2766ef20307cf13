#include "glyph_run_text.h"

#include <cstdio>

#include "platform/gdi_font.h"

namespace {

std::u16string Widen(const char* text) {
  std::u16string wide;
  for (; *text; ++text) wide.push_back(static_cast<char16_t>(*text));
  return wide;
}

}  // namespace

std::u16string GlyphFillText(DWORD colour) {
  char text[8];
  std::snprintf(text, sizeof text, "#%06X", static_cast<unsigned>(colour & 0xFFFFFF));
  return Widen(text);
}

std::u16string StyleSimulationsText(bool bold, bool italic) {
  if (bold && italic) return u"BoldItalicSimulation";
  if (bold) return u"BoldSimulation";
  if (italic) return u"ItalicSimulation";
  return u"None";
}

std::u16string FontRenderingEmSizeText(int pointSize) {
  const int em = MulDiv(pointSize, 96, 72);
  if (em == -1 && pointSize != -1) return {};
  return Widen(std::to_string(em).c_str());
}
