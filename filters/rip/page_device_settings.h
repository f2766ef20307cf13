// The device values of one page as the markup converter receives them: media
// size, resolution and the rotation and plane codes, worked out from the
// page's merged ticket and the pipeline's output settings.
#pragma once

#include "platform/types.h"
#include "platform/xml_dom.h"
#include "ticket/media_size_settings.h"
#include "ticket/print_ticket_dom.h"

// The pipeline's output settings, from the property bag.
struct RipOutputSettings {
  LONG bitsPerPixel = 8;
  LONG planes = 3;
  LONG portraitRotation = 0;    // degrees
  LONG landscapeRotation = 270;
};

struct PageDeviceSettings {
  LONG mediaWidth = 0;  // microns
  LONG mediaHeight = 0;
  LONG resolutionX = 0;  // dots per inch
  LONG resolutionY = 0;
  LONG rotationCode = 0;  // 2 to 5
  LONG planeCode = 0;     // 1, 3 or 4
  LONG outputPlanes = 0;
  LONG bitsPerPixel = 0;
};

// 2 for 0 degrees, 3 for 90, 4 for 180, 5 for 270. Landscape and
// ReverseLandscape take the landscape rotation, any other angle there giving
// 5; the other orientations take the portrait rotation, any other angle giving 2.
LONG RotationCode(Orientation orientation, const RipOutputSettings& output);
// Planes 1 and 4 keep their number; anything else is 3.
LONG PlaneCode(LONG planes);

// The PageResolution option's ResolutionX and ResolutionY when both read and
// the pair is one of 1200, 600, 300, 200 or 150 in both directions; else 600 x 600.
void ReadPageResolution(const PrintTicketDom& ticket, LONG* resolutionX, LONG* resolutionY);

// The page's values from its merged ticket: the media (Letter, portrait when
// the ticket does not say), the resolution and the codes. Fails with the
// ticket readers' failure.
HRESULT ReadPageDeviceSettings(IXMLDOMDocument2* ticket, const WCHAR* privateNamespace,
                               const RipOutputSettings& output, PageDeviceSettings* settings);
