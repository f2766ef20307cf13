#include "finisher_settings.h"

#include <utility>

#include "ticket/hresult_error.h"
#include "ticket/imageable_area.h"
#include "ticket/media_size_settings.h"
#include "ticket/poster_settings.h"

namespace {

constexpr REAL kMicronsPerUnit = 264.58f;

REAL Units(LONG microns) { return static_cast<REAL>(microns) / kMicronsPerUnit; }

}  // namespace

MirrorCode MirrorCodeOf(const MirrorSettings& settings) {
  // Rows: reverse Off, On; columns: MirrorImageWidth, MirrorImageHeight, None.
  static constexpr MirrorCode kCodes[2][3] = {
      {MirrorCode::AcrossWidth, MirrorCode::AcrossHeight, MirrorCode::None},
      {MirrorCode::AcrossHeight, MirrorCode::AcrossWidth, MirrorCode::Both},
  };
  const LONG reverse = Index(settings.reverse);
  const LONG mirror = Index(settings.mirror);
  if (reverse < 0 || reverse > 1 || mirror < 0 || mirror > 2) return MirrorCode::None;
  return kCodes[reverse][mirror];
}

FinisherSettings::FinisherSettings(PrintTicketManager& manager, std::u16string_view privateNamespace)
    : manager_(manager), privateNamespace_(privateNamespace) {}

bool FinisherSettings::RewritesPage() const {
  return transverse_ == TransverseFeed::TurnPage || mirror_ != MirrorCode::None || cutOutLines_;
}

std::optional<PageBox> FinisherSettings::ReadPrintableArea(IXMLDOMDocument2* ticket) {
  ComPtr<IXMLDOMDocument2> capabilities;
  if (FAILED(manager_.GetCapabilities(ticket, capabilities.Put()))) return std::nullopt;
  const PrintTicketDom dom(u"PrintCapabilities", privateNamespace_, capabilities.Get());
  ImageableArea area;
  if (FAILED(ReadImageableArea(dom, area)) || area.extentWidth <= 0 || area.extentHeight <= 0) return std::nullopt;
  return PageBox{Units(area.originWidth), Units(area.originHeight), Units(area.extentWidth),
                 Units(area.extentHeight)};
}

HRESULT FinisherSettings::ReadFinisherSettings(IXMLDOMDocument2* ticket, bool* changed) {
  if (!ticket || !changed) return E_POINTER;
  *changed = false;
  return CallReturningHresult([&] {
    PrintTicketDom dom(u"PrintTicket", privateNamespace_, ticket);
    MediaSizeSettings media;
    HRESULT hr = ReadMediaSize(dom, media);
    if (FAILED(hr)) return hr;
    MirrorSettings mirror;
    hr = ReadMirror(dom, mirror);
    if (FAILED(hr)) return hr;
    PosterSettings poster;
    hr = ReadPoster(dom, poster);
    if (FAILED(hr)) return hr;
    // The marks show where to cut the tiles of a poster; a whole page has none.
    cutOutLines_ = poster.cutOutLine == OffOn::On && poster.sheetsPerPage > 1;
    if (cutOutLines_) printable_ = ReadPrintableArea(ticket);
    mirror_ = MirrorCodeOf(mirror);
    if (media.transverse != OffOn::On) return S_OK;
    transverse_ = media.orientation == Orientation::Landscape ? TransverseFeed::LandscapePage : TransverseFeed::TurnPage;
    std::swap(media.width, media.height);
    media.orientation = Orientation::Portrait;
    hr = WriteMediaSize(dom, media);
    if (hr != S_OK) return FAILED(hr) ? hr : E_FAIL;
    *changed = true;
    return S_OK;
  });
}
