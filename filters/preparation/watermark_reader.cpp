#include "watermark_reader.h"

#include "bitmap_watermark.h"
#include "decoration_settings.h"
#include "text_watermark.h"

HRESULT ReadPageWatermark(const PrintTicketDom& ticket, ULONG pageNumber, PageWatermark* watermark) {
  if (!watermark) return E_POINTER;
  *watermark = {};
  DecorationSettings settings;
  settings.kind = DecorationKind::Watermark;
  const HRESULT hr = ReadWatermarkOptions(ticket, settings.watermark);
  if (FAILED(hr)) return hr;
  settings.watermarkItem = EffectiveWatermarkItem(settings.watermark, pageNumber);
  watermark->variesByPage = settings.watermark.on == OffOn::On && settings.watermark.customSettings == OffOn::On;
  switch (DecorationType(settings)) {
    case DecorationContent::Text: return TextWatermark::Create(settings, &watermark->decoration);
    case DecorationContent::Bitmap: return BitmapWatermark::Create(settings, &watermark->decoration);
    case DecorationContent::Nothing: break;
  }
  return S_OK;
}
