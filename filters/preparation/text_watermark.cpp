#include "text_watermark.h"

#include <optional>

#include "font/glyph_run_text.h"
#include "platform/format.h"
#include "platform/gdiplus_matrix.h"
#include "platform/xml_escape.h"
#include "watermark_geometry.h"

namespace {

struct Offset {
  REAL x;
  REAL y;
};

// The outline: eight copies shifted around the centre, then the white core.
constexpr Offset kOutline[] = {{1, 0},          {-1, 0},          {0, 1},           {0, -1},          {0.707f, 0.707f},
                               {-0.707f, 0.707f}, {0.707f, -0.707f}, {-0.707f, -0.707f}, {0, 0}};

// "cos a, -sin a, sin a, cos a, cx, cy": the text rises by the angle to the right.
std::optional<std::u16string> RenderTransform(WORD angle, REAL cx, REAL cy) {
  GpMatrix* matrix = nullptr;
  if (GdipCreateMatrix(&matrix) != Ok) return std::nullopt;
  REAL m[6] = {};
  const bool made = GdipRotateMatrix(matrix, -static_cast<REAL>(angle), MatrixOrderAppend) == Ok &&
                    GdipTranslateMatrix(matrix, cx, cy, MatrixOrderAppend) == Ok &&
                    GdipGetMatrixElements(matrix, m) == Ok;
  GdipDeleteMatrix(matrix);
  if (!made) return std::nullopt;
  const auto text = FormatWide(u"%.6f,%.6f,%.6f,%.6f,%.2f,%.2f", m[0], m[1], m[2], m[3], m[4], m[5]);
  if (FAILED(text.hr)) return std::nullopt;
  return text.text;
}

struct GlyphRun {
  std::u16string_view fill;
  std::u16string_view opacity;
  std::u16string_view transform;
  std::u16string_view fontUri;
  std::u16string_view emSize;
  std::u16string_view style;
  REAL originX;
  REAL originY;
  std::u16string_view text;
};

// One complete Glyphs element, or nothing: a run is never written without
// its font or position.
std::optional<std::u16string> GlyphsElement(const GlyphRun& run) {
  const auto x = FormatWide(u"%.2f", run.originX);
  const auto y = FormatWide(u"%.2f", run.originY);
  if (FAILED(x.hr) || FAILED(y.hr) || run.fontUri.empty() || run.emSize.empty()) return std::nullopt;
  std::u16string glyphs = u"<Glyphs";
  AppendXmlAttribute(glyphs, u"Fill", run.fill);
  AppendXmlAttribute(glyphs, u"Opacity", run.opacity);
  AppendXmlAttribute(glyphs, u"RenderTransform", run.transform);
  AppendXmlAttribute(glyphs, u"FontUri", run.fontUri);
  AppendXmlAttribute(glyphs, u"FontRenderingEmSize", run.emSize);
  AppendXmlAttribute(glyphs, u"StyleSimulations", run.style);
  AppendXmlAttribute(glyphs, u"OriginX", x.text);
  AppendXmlAttribute(glyphs, u"OriginY", y.text);
  AppendXmlAttribute(glyphs, u"UnicodeString", run.text);
  glyphs += u"/>";
  return glyphs;
}

}  // namespace

HRESULT TextWatermark::Create(const DecorationSettings& settings, std::unique_ptr<PageDecoration>* watermark) {
  if (!watermark) return E_POINTER;
  watermark->reset();
  if (settings.kind != DecorationKind::Watermark || DecorationType(settings) != DecorationContent::Text)
    return E_INVALIDARG;
  const WatermarkItem& item = settings.watermarkItem;
  FontRequest request;
  request.faceName = item.fontName.View();
  request.pointSize = item.fontSize;
  request.bold = item.bold != 0;
  request.italic = item.italic != 0;
  request.charSet = static_cast<BYTE>(item.subData & 0xFF);
  request.text = item.text.View();
  std::unique_ptr<FontResource> font;
  if (const HRESULT hr = FontResource::Create(request, &font); FAILED(hr)) return hr;
  watermark->reset(new TextWatermark(settings, std::move(font)));
  return S_OK;
}

bool TextWatermark::DrawsUnderContent() const {
  return options_.outline == OffOn::On && options_.overlay == WatermarkOverlay::Transparent;
}

HRESULT TextWatermark::BuildMarkup(REAL pageWidth, REAL pageHeight, const PageBox&) {
  const std::u16string_view fontUri = resource_uri().View();
  if (fontUri.empty()) return E_PENDING;
  const bool outline = options_.outline == OffOn::On;
  const std::u16string fill = GlyphFillText(item_.fontColor);
  const std::u16string style = StyleSimulationsText(item_.bold != 0, item_.italic != 0);
  const std::u16string emSize = FontRenderingEmSizeText(item_.fontSize);
  const bool opaque = options_.overlay == WatermarkOverlay::Opaque || outline;
  const std::u16string opacity = opaque ? u"1.00" : u"0.50";
  // Centred on the origin: half the width to the left, half the cap height down.
  const LONG width = font_->TextExtent().cx;
  const REAL originX = static_cast<REAL>(-(width / 2));
  const REAL originY = static_cast<REAL>((font_->Ascent() - font_->Descent()) / 2);
  std::u16string text(item_.text.View());
  if (text.starts_with(u'{')) text.insert(0, u"{}");
  const WatermarkCentre centre = WatermarkCentreOnPage(item_, pageWidth, pageHeight);
  const std::optional<std::u16string> transform = RenderTransform(item_.angle, centre.x, centre.y);
  if (!transform) return E_FAIL;

  GlyphRun run{fill, opacity, *transform, fontUri, emSize, style, originX, originY, text};
  std::u16string runs;
  if (!outline) {
    if (const auto glyphs = GlyphsElement(run)) runs = *glyphs;
  } else {
    for (const Offset& offset : kOutline) {
      run.originX = originX + offset.x;
      run.originY = originY + offset.y;
      if (&offset == &kOutline[8]) run.fill = u"#ffffff";
      if (const auto glyphs = GlyphsElement(run)) runs += *glyphs;
    }
  }
  // Outlined and transparent: the opaque copy goes under the content, the
  // half-transparent canvas over it.
  if (DrawsUnderContent()) {
    SetMarkup(u"<Canvas Opacity=\"0.5\">" + runs + u"</Canvas>", u"<Canvas>" + runs + u"</Canvas>");
  } else {
    SetMarkup(u"<Canvas>" + runs + u"</Canvas>");
  }
  return S_OK;
}
