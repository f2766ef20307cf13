// The line of date, time and ID printed at the top or bottom of every page:
// the private feature PageHeaderFooter with its private sub-features
// (DateFormat, TimeFormat, IDPrint, PositionX, PositionY, Background) and the
// private property PageHeaderFooterData (FontSettings, IDPrintCustomName,
// BackgroudColor, spelled as the driver's tickets spell it).
#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "platform/bstr.h"
#include "ticket/common_options.h"
#include "ticket/print_ticket_dom.h"

// Type1 ... Type8 name the driver's formats; the option's scored properties
// StringFormat and DataFormat say what each prints.
enum class DateTimeFormat : LONG { Type1, Type2, Type3, Type4, Type5, Type6, Type7, Type8, None };
inline constexpr std::array<std::u16string_view, 9> kDateTimeFormatNames = {
    u"Type1", u"Type2", u"Type3", u"Type4", u"Type5", u"Type6", u"Type7", u"Type8", u"None"};
constexpr std::optional<std::u16string_view> Name(DateTimeFormat format) {
  return TableName(kDateTimeFormatNames, format);
}

enum class HeaderFooterId : LONG { UserName, Custom, None };
inline constexpr std::array<std::u16string_view, 3> kHeaderFooterIdNames = {u"UserName", u"Custom", u"None"};
constexpr std::optional<std::u16string_view> Name(HeaderFooterId id) { return TableName(kHeaderFooterIdNames, id); }

enum class HeaderFooterX : LONG { Left, Center, Right };
inline constexpr std::array<std::u16string_view, 3> kHeaderFooterXNames = {u"Left", u"Center", u"Right"};
constexpr std::optional<std::u16string_view> Name(HeaderFooterX x) { return TableName(kHeaderFooterXNames, x); }

enum class HeaderFooterY : LONG { Top, Bottom };
inline constexpr std::array<std::u16string_view, 2> kHeaderFooterYNames = {u"Top", u"Bottom"};
constexpr std::optional<std::u16string_view> Name(HeaderFooterY y) { return TableName(kHeaderFooterYNames, y); }

enum class HeaderFooterBackground : LONG { Transparent, Opaque };
inline constexpr std::array<std::u16string_view, 2> kHeaderFooterBackgroundNames = {u"Transparent", u"Opaque"};
constexpr std::optional<std::u16string_view> Name(HeaderFooterBackground background) {
  return TableName(kHeaderFooterBackgroundNames, background);
}

struct HeaderFooterOptions {
  OffOn on = OffOn::Off;
  DateTimeFormat dateFormat = DateTimeFormat::None;
  DateTimeFormat timeFormat = DateTimeFormat::None;
  HeaderFooterId idPrint = HeaderFooterId::None;
  HeaderFooterX positionX = HeaderFooterX::Right;
  HeaderFooterY positionY = HeaderFooterY::Bottom;
  HeaderFooterBackground background = HeaderFooterBackground::Transparent;
  // A printf-style format of up to four conversions, and the letters saying
  // what fills them (date: d m y M W w; time: h H m s A a).
  Bstr dateStringFormat{u""};
  Bstr dateDataFormat{u""};
  Bstr timeStringFormat{u""};
  Bstr timeDataFormat{u""};
  // FontSettings
  Bstr fontName{u"Arial"};
  BYTE charSet = 1;
  bool italic = false;
  bool bold = false;
  bool underline = false;
  bool strikeOut = false;
  LONG fontSize = 11;  // points
  DWORD fontColor = 0;  // 0xRRGGBB
  Bstr customId{u""};
  DWORD backgroundColor = 0xFFFFFF;
};

// Fills what the ticket says and keeps the caller's values for the rest. Only
// options of the private namespace count; a format option that is not in the
// table changes nothing, "None" clears its two texts. Reading FontSettings
// stops at its first missing item. An absent item is a success; other
// failures are returned.
HRESULT ReadHeaderFooterOptions(const PrintTicketDom& ticket, HeaderFooterOptions& options);

// Replaces the feature and the property by the record. E_INVALIDARG (ticket
// untouched) for a field outside its table; S_FALSE without a root element.
HRESULT WriteHeaderFooterOptions(PrintTicketDom& ticket, const HeaderFooterOptions& options);
