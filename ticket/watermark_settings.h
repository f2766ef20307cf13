// Watermarks: the keywords feature PageWatermark with four private
// sub-features, and, when the private property PageWatermarkData exists, a
// title and three descriptions (one for all pages, one for the job's first
// page, one for the others), each a private property of sub-properties. The
// ticket's own names, "PostionX" and "PostionY" among them, are used as they
// stand.
#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "platform/bstr.h"
#include "ticket/common_options.h"
#include "ticket/print_ticket_dom.h"

enum class WatermarkType : LONG { Text, Bitmap, None };
inline constexpr std::array<std::u16string_view, 3> kWatermarkTypeNames = {u"Text", u"Bitmap", u"None"};
constexpr std::optional<std::u16string_view> Name(WatermarkType type) { return TableName(kWatermarkTypeNames, type); }

enum class WatermarkLayoutOrder : LONG { Background, Foreground };
inline constexpr std::array<std::u16string_view, 2> kWatermarkLayoutOrderNames = {u"Background", u"Foreground"};
constexpr std::optional<std::u16string_view> Name(WatermarkLayoutOrder order) {
  return TableName(kWatermarkLayoutOrderNames, order);
}

enum class WatermarkOverlay : LONG { Transparent, Opaque };
inline constexpr std::array<std::u16string_view, 2> kWatermarkOverlayNames = {u"Transparent", u"Opaque"};
constexpr std::optional<std::u16string_view> Name(WatermarkOverlay overlay) {
  return TableName(kWatermarkOverlayNames, overlay);
}

// One description. Position: -100 the left (bottom) edge, 0 the centre, 100
// the right (top) edge. The low byte of subData is the font's character set.
// id and bmpLightness are carried; nothing depends on them.
struct WatermarkItem {
  LONG id = 0;
  WatermarkType type = WatermarkType::Text;
  LONG positionX = 0;
  LONG positionY = 0;
  DWORD fontColor = 0xC0C0C0;  // 0xRRGGBB
  LONG fontSize = 72;          // points
  Bstr text{u""};
  WORD angle = 45;  // degrees, counter-clockwise
  Bstr fontName{u"Arial"};
  LONG italic = 0;
  LONG bold = 0;
  Bstr fileName{u""};  // full path of a bitmap file
  WORD scaling = 100;  // percent of the bitmap's size
  LONG subData = 0;
  BYTE bmpLightness = 0;
};

struct WatermarkOptions {
  OffOn on = OffOn::Off;
  WatermarkLayoutOrder layoutOrder = WatermarkLayoutOrder::Foreground;  // carried
  WatermarkOverlay overlay = WatermarkOverlay::Opaque;
  OffOn outline = OffOn::Off;
  OffOn customSettings = OffOn::Off;  // On: first and other items instead of the common one
  Bstr title{u""};                    // carried
  WatermarkItem common;
  WatermarkItem first;
  WatermarkItem other;
};

// Options that are absent or name another option keep their fields. The
// items are read only under PageWatermarkData; an item's reading stops at its
// first missing sub-property. The result is S_OK, or a failure of looking
// for PageWatermarkData.
HRESULT ReadWatermarkOptions(const PrintTicketDom& ticket, WatermarkOptions& options);

// Reads the sub-properties inside the property itemQuery selects, in their
// order, until one is missing or fails to read: that result is returned and
// the later fields keep their values. "Type" is a name ("Text", "Bitmap",
// "None"; another name leaves the type); angle and scaling keep the low 16
// bits, bmpLightness the low 8.
HRESULT ReadWatermarkItem(const PrintTicketDom& ticket, std::u16string_view itemQuery, WatermarkItem& item);

// Replaces the feature (with its sub-features), PageWatermarkData, the title
// and the three items. E_INVALIDARG (ticket untouched) for a switch or type
// outside its table; S_FALSE without a root element.
HRESULT WriteWatermarkOptions(PrintTicketDom& ticket, const WatermarkOptions& options);

// The item for a page, numbered from 1 across the whole job.
const WatermarkItem& EffectiveWatermarkItem(const WatermarkOptions& options, ULONG pageNumber);

// What is drawn: None unless the watermark is on.
WatermarkType DrawnWatermarkType(const WatermarkOptions& options, const WatermarkItem& item);
