// How page content is fitted onto the paper: the keywords feature PageScaling
// with its sub-features ScaleOffsetAlignment (keywords) and FitMediaSize
// (private), and the private property PageScalingData.
#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "ticket/common_options.h"
#include "ticket/media_size_settings.h"
#include "ticket/print_ticket_dom.h"

enum class ScalingMode : LONG {
  None,
  FitToPaper,  // the one option of the private namespace
  CustomSquare,
  FitApplicationBleedSizeToPageImageableSize,
  FitApplicationContentSizeToPageImageableSize,
  FitApplicationMediaSizeToPageImageableSize,
  FitApplicationMediaSizeToPageMediaSize,
};
inline constexpr std::array<std::u16string_view, 7> kScalingModeNames = {
    u"None",
    u"FitToPaper",
    u"CustomSquare",
    u"FitApplicationBleedSizeToPageImageableSize",
    u"FitApplicationContentSizeToPageImageableSize",
    u"FitApplicationMediaSizeToPageImageableSize",
    u"FitApplicationMediaSizeToPageMediaSize",
};
constexpr std::optional<std::u16string_view> Name(ScalingMode mode) { return TableName(kScalingModeNames, mode); }

// In alphabetical order, which is also the order of the indices.
enum class ScaleAlignment : LONG {
  BottomCenter, BottomLeft, BottomRight, Center, LeftCenter, RightCenter, TopCenter, TopLeft, TopRight,
};
inline constexpr std::array<std::u16string_view, 9> kScaleAlignmentNames = {
    u"BottomCenter", u"BottomLeft", u"BottomRight", u"Center",  u"LeftCenter",
    u"RightCenter",  u"TopCenter",  u"TopLeft",     u"TopRight",
};
constexpr std::optional<std::u16string_view> Name(ScaleAlignment alignment) {
  return TableName(kScaleAlignmentNames, alignment);
}

// Lengths in microns.
struct ScalingSettings {
  ScalingMode mode = ScalingMode::None;
  LONG scale = 100;  // percent, CustomSquare
  LONG offsetWidth = 4233;
  LONG offsetHeight = 4233;
  ScaleAlignment alignment = ScaleAlignment::Center;
  MediaSizeSettings targetPaper;  // FitToPaper
  // Carried for the printer; no calculation here uses them.
  OffOn scalePrintableArea = OffOn::Off;
  SHORT customPaper = 256;
  // Rewrite the page to the paper size even when nothing is scaled.
  OffOn correctFixedPageSize = OffOn::Off;
};

// Fills what the ticket says and keeps the caller's values for the rest; both
// PageScalingData flags are always written (Off unless the ticket says exactly
// "On"). An absent item is a success; other failures are returned.
HRESULT ReadScalingSettings(const PrintTicketDom& ticket, ScalingSettings& settings);

// Replaces every PageScaling feature and PageScalingData property by one block
// saying what the settings say (scale and offsets only for CustomSquare).
// E_INVALIDARG (ticket untouched) for a value outside its table or a target
// paper without a name; S_FALSE without a root element.
HRESULT WriteScaling(PrintTicketDom& ticket, const ScalingSettings& settings);
// WriteScaling with the defaults: no scaling, centred, Letter as the fit
// paper, CorrectFixedPageSize Off.
HRESULT WriteNeutralScaling(PrintTicketDom& ticket);
