// The paper of the page in force: the standard PageMediaSize and
// PageOrientation features and the driver's private PageMediaSizeData block.
#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "platform/bstr.h"
#include "ticket/common_options.h"
#include "ticket/print_ticket_dom.h"

// Success: everything readable was read, but an item was absent and kept its default.
inline constexpr HRESULT S_SETTINGS_DEFAULTED = MakeHresult(0x00040002u);

enum class Orientation : LONG { Landscape, Portrait, ReverseLandscape, ReversePortrait };
inline constexpr std::array<std::u16string_view, 4> kOrientationOptions = {u"Landscape", u"Portrait",
                                                                           u"ReverseLandscape", u"ReversePortrait"};
constexpr std::optional<std::u16string_view> Name(Orientation orientation) {
  return TableName(kOrientationOptions, orientation);
}

enum class CustomUnit : LONG { Mm, Inch };
inline constexpr std::array<std::u16string_view, 2> kCustomUnitNames = {u"mm", u"inch"};
constexpr std::optional<std::u16string_view> Name(CustomUnit unit) { return TableName(kCustomUnitNames, unit); }

enum class Thickness : LONG { Regular, Thick, Envelope };
inline constexpr std::array<std::u16string_view, 3> kThicknessNames = {u"Regular", u"Thick", u"Envelope"};
constexpr std::optional<std::u16string_view> Name(Thickness thickness) { return TableName(kThicknessNames, thickness); }

// Lengths in microns. The margins and the paper temperature are carried
// unchanged for the printer; their unit is the converter's business.
struct MediaSizeSettings {
  Bstr optionName{u"NorthAmericaLetter"};  // without prefix
  LONG optionIsPrivate = 0;
  LONG width = 215900;
  LONG height = 279400;
  Orientation orientation = Orientation::Portrait;
  CustomUnit customUnitIsInch = CustomUnit::Mm;
  OffOn transverse = OffOn::Off;
  Thickness thicknessType = Thickness::Regular;
  OffOn fixedMargin = OffOn::Off;
  LONG docMarginLeft = -1;
  LONG docMarginRight = -1;
  LONG docMarginTop = -1;
  LONG docMarginBottom = -1;
  LONG outMarginLeft = -1;
  LONG outMarginRight = -1;
  LONG outMarginTop = -1;
  LONG outMarginBottom = -1;
  SHORT customPaperTemp = 256;
};

// S_OK, S_SETTINGS_DEFAULTED, or a failure (fields read before it stay set).
// A size whose width or height cannot be read keeps the record's name, width,
// height and private flag together.
HRESULT ReadMediaSize(const PrintTicketDom& ticket, MediaSizeSettings& settings);

// Replaces the ticket's media size, orientation and PageMediaSizeData; a
// CustomMediaSize carries its width and height as ParameterInit values.
// E_INVALIDARG (ticket untouched) for an empty option name or an orientation
// or thickness outside its table; S_FALSE without a root element.
HRESULT WriteMediaSize(PrintTicketDom& ticket, const MediaSizeSettings& settings);
