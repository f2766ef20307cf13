// How page content is fitted onto the paper: the keywords feature PageScaling
// with its sub-features ScaleOffsetAlignment (keywords) and FitMediaSize
// (private), and the private property PageScalingData.
#pragma once

#include <array>
#include <string_view>

#include "ticket/media_size_settings.h"
#include "ticket/print_ticket_dom.h"

inline constexpr std::array<std::u16string_view, 7> kScalingModeNames = {
    u"None",
    u"FitToPaper",
    u"CustomSquare",
    u"FitApplicationBleedSizeToPageImageableSize",
    u"FitApplicationContentSizeToPageImageableSize",
    u"FitApplicationMediaSizeToPageImageableSize",
    u"FitApplicationMediaSizeToPageMediaSize",
};
enum ScalingMode : LONG {
  kScaleNone = 0,
  kScaleFitToPaper = 1,  // the one option of the private namespace
  kScaleCustomSquare = 2,
  kScaleBleedToImageable = 3,
  kScaleContentToImageable = 4,
  kScaleMediaToImageable = 5,
  kScaleMediaToMedia = 6,
};

// In alphabetical order, which is also the order of the indices.
inline constexpr std::array<std::u16string_view, 9> kScaleAlignmentNames = {
    u"BottomCenter", u"BottomLeft", u"BottomRight", u"Center",  u"LeftCenter",
    u"RightCenter",  u"TopCenter",  u"TopLeft",     u"TopRight",
};
inline constexpr LONG kScaleAlignCenter = 3;

// Lengths in microns.
struct ScalingSettings {
  LONG mode = kScaleNone;  // index into kScalingModeNames
  LONG scale = 100;        // percent, CustomSquare
  LONG offsetWidth = 4233;
  LONG offsetHeight = 4233;
  LONG alignment = kScaleAlignCenter;  // index into kScaleAlignmentNames
  MediaSizeSettings targetPaper;       // FitToPaper
  // Carried for the printer; no calculation here uses them.
  LONG scalePrintableArea = 0;
  SHORT customPaper = 256;
  // Rewrite the page to the paper size even when nothing is scaled.
  LONG correctFixedPageSize = 0;
};

// Fills what the ticket says and keeps the caller's values for the rest; both
// PageScalingData flags are always written (0 unless the ticket says exactly
// "On"). An absent item is a success; other failures are returned.
HRESULT ReadScalingSettings(const PrintTicketDom& ticket, ScalingSettings& settings);

// Replaces every PageScaling feature and PageScalingData property by one
// neutral block: no scaling, centred, Letter as the fit paper, CorrectFixedPageSize Off.
HRESULT WriteNeutralScaling(PrintTicketDom& ticket);
