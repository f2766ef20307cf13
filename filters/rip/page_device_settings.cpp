#include "filters/rip/page_device_settings.h"

#include <algorithm>
#include <array>
#include <utility>

#include "ticket/hresult_error.h"
#include "ticket/media_size_settings.h"
#include "ticket/print_ticket_dom.h"

namespace {

constexpr LONG kDefaultResolution = 600;
constexpr std::array<LONG, 5> kResolutions = {1200, 600, 300, 200, 150};

bool IsLandscape(Orientation orientation) {
  return orientation == Orientation::Landscape || orientation == Orientation::ReverseLandscape;
}

}  // namespace

LONG RotationCode(Orientation orientation, const RipOutputSettings& output) {
  const bool landscape = IsLandscape(orientation);
  switch (landscape ? output.landscapeRotation : output.portraitRotation) {
    case 0: return 2;
    case 90: return 3;
    case 180: return 4;
    case 270: return 5;
    default: return landscape ? 5 : 2;
  }
}

LONG PlaneCode(LONG planes) { return planes == 1 || planes == 4 ? planes : 3; }

void ReadPageResolution(const PrintTicketDom& ticket, LONG* resolutionX, LONG* resolutionY) {
  *resolutionX = kDefaultResolution;
  *resolutionY = kDefaultResolution;
  LONG x = 0;
  LONG y = 0;
  if (FAILED(ticket.GetScoredPropertyInt(u"PageResolution", u"ResolutionX", &x))) return;
  if (FAILED(ticket.GetScoredPropertyInt(u"PageResolution", u"ResolutionY", &y))) return;
  if (x == y && std::find(kResolutions.begin(), kResolutions.end(), x) != kResolutions.end()) {
    *resolutionX = x;
    *resolutionY = y;
  }
}

HRESULT ReadPageDeviceSettings(IXMLDOMDocument2* ticket, const WCHAR* privateNamespace,
                               const RipOutputSettings& output, PageDeviceSettings* settings) {
  return CallReturningHresult([&] {
    const PrintTicketDom dom(u"PrintTicket", privateNamespace, ticket);
    MediaSizeSettings media;
    const HRESULT hr = ReadMediaSize(dom, media);
    if (FAILED(hr)) return hr;
    PageDeviceSettings values;
    values.mediaWidth = media.width;
    values.mediaHeight = media.height;
    ReadPageResolution(dom, &values.resolutionX, &values.resolutionY);
    values.rotationCode = RotationCode(media.orientation, output);
    values.planeCode = PlaneCode(output.planes);
    values.outputPlanes = output.planes;
    values.bitsPerPixel = output.bitsPerPixel;
    *settings = values;
    return S_OK;
  });
}
