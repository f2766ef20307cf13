#include "bitmap_watermark.h"

#include "platform/format.h"
#include "platform/xml_escape.h"
#include "platform/xps_parts.h"
#include "watermark_geometry.h"

HRESULT BitmapWatermark::Create(const DecorationSettings& settings, std::unique_ptr<PageDecoration>* watermark) {
  if (!watermark) return E_POINTER;
  watermark->reset();
  if (settings.kind != DecorationKind::Watermark || DecorationType(settings) != DecorationContent::Bitmap)
    return E_INVALIDARG;
  watermark->reset(new BitmapWatermark(settings));
  return S_OK;
}

HRESULT BitmapWatermark::BuildMarkup(REAL pageWidth, REAL pageHeight, const PageBox&) {
  const std::u16string_view imageUri = resource_uri().View();
  if (imageUri.empty()) return E_PENDING;
  REAL imageWidth = 0, imageHeight = 0;
  if (const HRESULT hr = image_.GetImageSize(&imageWidth, &imageHeight); FAILED(hr)) return hr;
  const WatermarkCentre centre = WatermarkCentreOnPage(item_, pageWidth, pageHeight);
  const REAL halfWidth = static_cast<REAL>(item_.scaling) * imageWidth / 100 * 0.5f;
  const REAL halfHeight = static_cast<REAL>(item_.scaling) * imageHeight / 100 * 0.5f;
  const REAL x0 = centre.x - halfWidth, x1 = centre.x + halfWidth;
  const REAL y0 = centre.y - halfHeight, y1 = centre.y + halfHeight;
  const auto data = FormatWide(u"M %.2f,%.2f L %.2f,%.2f %.2f,%.2f %.2f,%.2f z", x0, y0, x0, y1, x1, y1, x1, y0);
  const auto viewbox = FormatWide(u"0,0,%.2f,%.2f", imageWidth, imageHeight);
  const auto viewport = FormatWide(u"%.2f,%.2f,%.2f,%.2f", x0, y0, x1 - x0, y1 - y0);
  for (const HRESULT hr : {data.hr, viewbox.hr, viewport.hr})
    if (FAILED(hr)) return hr;
  const bool opaque = options_.overlay == WatermarkOverlay::Opaque;

  std::u16string path = u"<Path Data=\"" + data.text + u"\"><Path.Fill><ImageBrush ImageSource=\"";
  AppendEscapedXml(path, imageUri);
  path += u"\" Opacity=\"";
  path += opaque ? u"1.00" : u"0.50";
  path += u"\" ViewboxUnits=\"Absolute\" Viewbox=\"" + viewbox.text + u"\" ViewportUnits=\"Absolute\" Viewport=\"" +
          viewport.text + u"\"/></Path.Fill></Path>";
  SetMarkup(std::move(path));
  return S_OK;
}
