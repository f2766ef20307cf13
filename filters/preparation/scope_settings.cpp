#include "scope_settings.h"

#include <cstring>
#include <vector>

#include "header_footer.h"
#include "platform/spooler.h"
#include "platform/variant.h"
#include "ticket/header_footer_settings.h"
#include "ticket/hresult_error.h"
#include "ticket/job_info_settings.h"
#include "scaling_settings.h"
#include "ticket/imageable_area.h"
#include "ticket/media_size_settings.h"

namespace {

// A pointer-sized or 32-bit value of the property bag; nothing when absent.
std::optional<UINT_PTR> NumberProperty(IPrintPipelinePropertyBag* properties, LPCWSTR name) {
  if (!properties) return std::nullopt;
  Variant value;
  if (properties->GetProperty(name, value.Get()) != S_OK) return std::nullopt;
  switch (value->vt) {
    case VT_UINT_PTR: return value->uintptrVal;
    case VT_UI4: return value->ulVal;
    case VT_I4: return static_cast<UINT_PTR>(static_cast<ULONG>(value->lVal));
    default: return std::nullopt;
  }
}

HANDLE HandleProperty(IPrintPipelinePropertyBag* properties, LPCWSTR name) {
  const std::optional<UINT_PTR> value = NumberProperty(properties, name);
  return value ? reinterpret_cast<HANDLE>(*value) : nullptr;
}

REAL MicronsToXps(LONG microns) { return static_cast<REAL>(microns) * 96.0f / 25.4f / 1000.0f; }

}  // namespace

ScopeSettings::ScopeSettings(PrintTicketManager& manager, std::u16string_view privateNamespace,
                             IPrintPipelinePropertyBag* properties)
    : manager_(manager), privateNamespace_(privateNamespace), properties_(properties) {}

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

HRESULT ScopeSettings::ReadDecorations(IXMLDOMDocument2* ticket, ULONG /*pageNumber*/) {
  if (!ticket) return E_POINTER;
  const HRESULT hr = ReadHeaderFooter(ticket);
  return hr == kTicketItemNotFound ? S_OK : hr;
}

HRESULT ScopeSettings::ReadHeaderFooter(IXMLDOMDocument2* ticket) {
  return CallReturningHresult([&] {
    const PrintTicketDom dom(u"PrintTicket", privateNamespace_, ticket);
    DecorationSettings settings;
    HRESULT hr = ReadHeaderFooterOptions(dom, settings.headerFooter);
    if (FAILED(hr) || settings.headerFooter.on != OffOn::On) return hr;
    hr = ReadJobInfo(dom, settings.jobInfo);
    if (FAILED(hr)) return hr;
    settings.printer = HandleProperty(properties_.Get(), u"PrinterHandle");
    settings.userToken = HandleProperty(properties_.Get(), u"UserSecurityToken");
    settings.printTime = PrintTime(settings.printer);
    settings.properties = properties_;
    ImageableArea area;
    hr = ReadImageable(ticket, area);
    if (FAILED(hr)) return hr;
    imageableArea_ = {MicronsToXps(area.originWidth), MicronsToXps(area.originHeight), MicronsToXps(area.extentWidth),
                      MicronsToXps(area.extentHeight)};
    if (DecorationType(settings) != DecorationContent::Text) return S_OK;
    std::unique_ptr<HeaderFooter> made;
    hr = HeaderFooter::Create(settings, sharedLine_, &made);
    if (SUCCEEDED(hr)) headerFooter_ = std::move(made);
    return hr;
  });
}

SYSTEMTIME ScopeSettings::PrintTime(HANDLE printer) const {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  const std::optional<UINT_PTR> jobId = NumberProperty(properties_.Get(), u"PrintJobId");
  if (!printer || !jobId) return now;
  DWORD needed = 0;
  const auto id = static_cast<DWORD>(*jobId);
  GetJobW(printer, id, 1, nullptr, 0, &needed);
  if (needed < sizeof(JOB_INFO_1W)) return now;
  std::vector<std::max_align_t> buffer(needed / sizeof(std::max_align_t) + 1);
  auto* bytes = reinterpret_cast<BYTE*>(buffer.data());
  if (!GetJobW(printer, id, 1, bytes, needed, &needed)) return now;
  JOB_INFO_1W job;
  std::memcpy(&job, bytes, sizeof job);
  FILETIME utc{};
  FILETIME local{};
  SYSTEMTIME submitted{};
  if (!job.pDocument || !SystemTimeToFileTime(&job.Submitted, &utc) || !FileTimeToLocalFileTime(&utc, &local) ||
      !FileTimeToSystemTime(&local, &submitted))
    return now;
  return submitted;
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

bool ScopeSettings::IsActive() const { return watermark_ || headerFooter_ || ScalesPages(); }

bool ScopeSettings::ScalesPages() const {
  return scaler_ &&
         (scaler_->settings().mode != ScalingMode::None || scaler_->settings().correctFixedPageSize == OffOn::On);
}
