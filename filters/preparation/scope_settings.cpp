#include "scope_settings.h"

#include "ticket/hresult_error.h"
#include "ticket/scaling_settings.h"
#include "ticket/imageable_area.h"
#include "ticket/media_size_settings.h"

ScopeSettings::ScopeSettings(PrintTicketManager& manager, std::u16string_view privateNamespace)
    : manager_(manager), privateNamespace_(privateNamespace) {}

HRESULT ScopeSettings::ReadImageable(IXMLDOMDocument2* ticket, ImageableArea& area) {
  ComPtr<IXMLDOMDocument2> capabilities;
  HRESULT hr = manager_.GetCapabilities(ticket, capabilities.Put());
  if (FAILED(hr)) return hr;
  const PrintTicketDom dom(u"PrintCapabilities", privateNamespace_, capabilities.Get());
  return ReadImageableArea(dom, area);
}

HRESULT ScopeSettings::ReadScopeSettings(IXMLDOMDocument2* ticket, bool* changed) {
  if (!ticket || !changed) return E_POINTER;
  return CallReturningHresult([&] {
    PrintTicketDom scaling(u"PrintTicket", privateNamespace_, ticket);
    PrintTicketDom media(u"PrintTicket", privateNamespace_, ticket);
    ScalingSettings settings;
    MediaSizeSettings pageMedia;
    HRESULT hr = ReadScalingSettings(scaling, settings);
    if (FAILED(hr)) return hr;
    hr = ReadMediaSize(media, pageMedia);
    if (FAILED(hr)) return hr;
    ImageableArea before;
    hr = ReadImageable(ticket, before);
    if (FAILED(hr)) return hr;
    if (settings.mode == ScalingMode::FitToPaper) {
      MediaSizeSettings& target = settings.targetPaper;
      target.orientation = pageMedia.orientation;
      target.thicknessType = pageMedia.thicknessType;
      target.fixedMargin = pageMedia.fixedMargin;
      target.outMarginLeft = pageMedia.outMarginLeft;
      target.outMarginRight = pageMedia.outMarginRight;
      target.outMarginTop = pageMedia.outMarginTop;
      target.outMarginBottom = pageMedia.outMarginBottom;
      hr = WriteMediaSize(media, target);
    }
    if (SUCCEEDED(hr)) {
      ImageableArea after = before;
      if (settings.mode == ScalingMode::FitToPaper) hr = ReadImageable(ticket, after);
      if (SUCCEEDED(hr)) scaler_ = std::make_unique<PageScaler>(settings, pageMedia, before, after);
    }
    WriteNeutralScaling(scaling);
    *changed = true;
    return hr;
  });
}

HRESULT ScopeSettings::PrepareDecorationResources(IXpsDocumentConsumer* consumer, IFixedPage* page,
                                                  PartResourceCache* cache) {
  if (!consumer || !page || !cache) return E_POINTER;
  HRESULT last = S_OK;
  for (std::unique_ptr<PageDecoration>* decoration : {&watermark_, &headerFooter_}) {
    if (!*decoration) continue;
    last = (*decoration)->PrepareResources(consumer, page, cache);
    if (FAILED(last)) decoration->reset();
  }
  return SUCCEEDED(last) ? last : S_OK;
}

bool ScopeSettings::IsActive() const {
  if (watermark_ || headerFooter_) return true;
  return scaler_ &&
         (scaler_->settings().mode != ScalingMode::None || scaler_->settings().correctFixedPageSize == OffOn::On);
}
