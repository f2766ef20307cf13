#include "ticket/header_footer_settings.h"

#include <functional>
#include <string>

#include "ticket/hresult_error.h"
#include "ticket/settings_support.h"

namespace {

constexpr std::u16string_view kFeature = u"PageHeaderFooter";
constexpr std::u16string_view kData = u"PageHeaderFooterData";
constexpr std::u16string_view kFontSettings = u"FontSettings";
constexpr std::u16string_view kCustomName = u"IDPrintCustomName";
constexpr std::u16string_view kBackgroundColor = u"BackgroudColor";
constexpr std::u16string_view kStringFormat = u"StringFormat";
constexpr std::u16string_view kDataFormat = u"DataFormat";

// The option of one of the feature's sub-features; nothing unless it is found
// in the private namespace.
std::optional<Bstr> SubOption(const PrintTicketDom& ticket, std::u16string_view subFeature) {
  Bstr option;
  BOOL isPrivate = FALSE;
  if (ticket.GetSubFeatureOption(ticket.PrivatePrefix(), kFeature, ticket.PrivatePrefix(), subFeature, &option,
                                 &isPrivate) != S_OK ||
      !isPrivate)
    return std::nullopt;
  return option;
}

template <class Enum, std::size_t N>
void ReadSubOption(const PrintTicketDom& ticket, std::u16string_view subFeature,
                   const std::array<std::u16string_view, N>& names, Enum& field) {
  if (const std::optional<Bstr> option = SubOption(ticket, subFeature)) {
    if (const auto value = FromName<Enum>(names, option->View())) field = *value;
  }
}

// A scored property of a format's option; empty when there is none.
HRESULT FormatText(const PrintTicketDom& ticket, std::u16string_view subFeature, std::u16string_view name,
                   Bstr* text) {
  XPathQuery query = ticket.NewQuery();
  ThrowIfFailed(query.AppendFeature(ticket.PrivatePrefix(), kFeature));
  ThrowIfFailed(query.AppendFeature(ticket.PrivatePrefix(), subFeature));
  ThrowIfFailed(query.AppendScoredProperty(ticket.PrivatePrefix(), name));
  const HRESULT hr = ticket.GetValueText(query.Text(), text);
  if (hr != S_OK || !text->Get()) *text = Bstr(u"");
  return hr;
}

void ReadFormat(const PrintTicketDom& ticket, std::u16string_view subFeature, DateTimeFormat& format,
                Bstr& stringFormat, Bstr& dataFormat) {
  const std::optional<Bstr> option = SubOption(ticket, subFeature);
  if (!option) return;
  Bstr text{u""};
  Bstr data{u""};
  if (SUCCEEDED(FormatText(ticket, subFeature, kStringFormat, &text))) FormatText(ticket, subFeature, kDataFormat, &data);
  const std::optional<DateTimeFormat> named = FromName<DateTimeFormat>(kDateTimeFormatNames, option->View());
  if (!named) return;
  format = *named;
  const bool none = *named == DateTimeFormat::None;
  stringFormat = none ? Bstr(u"") : text;
  dataFormat = none ? Bstr(u"") : data;
}

// FontSettings' items in order; reading stops at the first one missing.
HRESULT ReadFontSettings(const PrintTicketDom& ticket, HeaderFooterOptions& options) {
  HRESULT hr = ticket.NodeExists(PrivatePropertyQuery(ticket, {kFontSettings}));
  if (hr != S_OK) return hr;
  Bstr name;
  hr = ticket.GetValue(PrivatePropertyQuery(ticket, {kFontSettings, u"FontName"}), &name);
  if (hr != S_OK) return hr;
  options.fontName = name;
  const auto flag = [](bool& field) { return [&field](LONG value) { field = value != 0; }; };
  const std::pair<std::u16string_view, std::function<void(LONG)>> items[] = {
      {u"FontCharSet", [&](LONG value) { options.charSet = static_cast<BYTE>(value & 0xFF); }},
      {u"FontItalicStyle", flag(options.italic)},
      {u"FontBoldStyle", flag(options.bold)},
      {u"FontUnderLine", flag(options.underline)},
      {u"FontStruckOut", flag(options.strikeOut)},
      {u"FontSize", [&](LONG value) { options.fontSize = value; }},
      {u"FontColor", [&](LONG value) { options.fontColor = static_cast<DWORD>(value); }},
  };
  for (const auto& [item, store] : items) {
    LONG value = 0;
    hr = ticket.GetValueInt(PrivatePropertyQuery(ticket, {kFontSettings, item}), &value);
    if (hr != S_OK) return hr;
    store(value);
  }
  return S_OK;
}

HRESULT ReadData(const PrintTicketDom& ticket, HeaderFooterOptions& options) {
  HRESULT hr = ticket.NodeExists(PrivatePropertyQuery(ticket, {kData}));
  if (hr != S_OK) return hr;
  hr = ReadFontSettings(ticket, options);
  if (FAILED(hr) && !IsAbsent(hr)) return hr;
  if (const std::optional<Bstr> custom = PrivateText(ticket, {kCustomName})) options.customId = *custom;
  LONG colour = 0;
  hr = ticket.GetValueInt(PrivatePropertyQuery(ticket, {kBackgroundColor}), &colour);
  if (hr == S_OK) options.backgroundColor = static_cast<DWORD>(colour);
  return hr;
}

ComPtr<IXMLDOMElement> FormatFeature(PrintTicketDom& ticket, std::u16string_view subFeature, DateTimeFormat format,
                                     const Bstr& stringFormat, const Bstr& dataFormat) {
  ComPtr<IXMLDOMElement> feature;
  ComPtr<IXMLDOMElement> option;
  ThrowIfFailed(ticket.CreateFeatureElement(ticket.PrivatePrefix(), subFeature, &feature));
  ThrowIfFailed(ticket.CreateOption(ticket.PrivatePrefix(), *Name(format), &option));
  AppendChild(feature.Get(), option.Get());
  if (format == DateTimeFormat::None) return feature;
  for (const auto& [name, text] : {std::pair{kStringFormat, &stringFormat}, std::pair{kDataFormat, &dataFormat}}) {
    ComPtr<IXMLDOMElement> scored;
    ThrowIfFailed(ticket.CreateScoredPropertyString(ticket.PrivatePrefix(), name, text->View(), &scored));
    AppendChild(option.Get(), scored.Get());
  }
  return feature;
}

ComPtr<IXMLDOMElement> IntProperty(PrintTicketDom& ticket, std::u16string_view name, LONG value) {
  ComPtr<IXMLDOMElement> property;
  ThrowIfFailed(ticket.CreatePropertyInt(ticket.PrivatePrefix(), name, value, &property));
  return property;
}

ComPtr<IXMLDOMElement> DataProperty(PrintTicketDom& ticket, const HeaderFooterOptions& options) {
  ComPtr<IXMLDOMElement> font =
      PrivateStringProperties(ticket, kFontSettings, {{u"FontName", options.fontName.View()}});
  const std::pair<std::u16string_view, LONG> items[] = {
      {u"FontCharSet", options.charSet},
      {u"FontItalicStyle", options.italic},
      {u"FontBoldStyle", options.bold},
      {u"FontUnderLine", options.underline},
      {u"FontStruckOut", options.strikeOut},
      {u"FontSize", options.fontSize},
      {u"FontColor", static_cast<LONG>(options.fontColor)},
  };
  for (const auto& [name, value] : items) AppendChild(font.Get(), IntProperty(ticket, name, value).Get());
  ComPtr<IXMLDOMElement> data;
  ThrowIfFailed(ticket.CreateProperty(ticket.PrivatePrefix(), kData, &data));
  AppendChild(data.Get(), font.Get());
  ComPtr<IXMLDOMElement> custom;
  ThrowIfFailed(ticket.CreatePropertyValue(ticket.PrivatePrefix(), kCustomName, u"string", options.customId.View(), &custom));
  AppendChild(data.Get(), custom.Get());
  AppendChild(data.Get(), IntProperty(ticket, kBackgroundColor, static_cast<LONG>(options.backgroundColor)).Get());
  return data;
}

}  // namespace

HRESULT ReadHeaderFooterOptions(const PrintTicketDom& ticket, HeaderFooterOptions& options) {
  return CallReturningHresult([&] {
    Bstr option;
    BOOL isPrivate = FALSE;
    if (ticket.GetFeatureOption(ticket.PrivatePrefix(), kFeature, &option, &isPrivate) == S_OK && isPrivate) {
      if (const auto on = FromName<OffOn>(kOffOnNames, option.View())) options.on = *on;
    }
    ReadFormat(ticket, u"DateFormat", options.dateFormat, options.dateStringFormat, options.dateDataFormat);
    ReadFormat(ticket, u"TimeFormat", options.timeFormat, options.timeStringFormat, options.timeDataFormat);
    ReadSubOption(ticket, u"IDPrint", kHeaderFooterIdNames, options.idPrint);
    ReadSubOption(ticket, u"PositionX", kHeaderFooterXNames, options.positionX);
    ReadSubOption(ticket, u"PositionY", kHeaderFooterYNames, options.positionY);
    ReadSubOption(ticket, u"Background", kHeaderFooterBackgroundNames, options.background);
    const HRESULT hr = ReadData(ticket, options);
    return IsAbsent(hr) ? S_OK : hr;
  });
}

HRESULT WriteHeaderFooterOptions(PrintTicketDom& ticket, const HeaderFooterOptions& options) {
  if (!Name(options.on) || !Name(options.dateFormat) || !Name(options.timeFormat) || !Name(options.idPrint) ||
      !Name(options.positionX) || !Name(options.positionY) || !Name(options.background))
    return E_INVALIDARG;
  return CallReturningHresult([&] {
    const ComPtr<IXMLDOMNode> root = RootForWriting(ticket);
    if (!root) return S_FALSE;
    ThrowIfFailed(ticket.RemovePrivateFeature(kFeature));
    ThrowIfFailed(ticket.RemoveEveryProperty(kData));
    const std::u16string_view prefix = ticket.PrivatePrefix();
    ComPtr<IXMLDOMElement> feature = FeatureWithNamedOption(ticket, prefix, kFeature, prefix, *Name(options.on));
    AppendChild(feature.Get(), FormatFeature(ticket, u"DateFormat", options.dateFormat, options.dateStringFormat,
                                             options.dateDataFormat)
                                   .Get());
    AppendChild(feature.Get(), FormatFeature(ticket, u"TimeFormat", options.timeFormat, options.timeStringFormat,
                                             options.timeDataFormat)
                                   .Get());
    const std::pair<std::u16string_view, std::u16string_view> choices[] = {
        {u"IDPrint", *Name(options.idPrint)},
        {u"PositionX", *Name(options.positionX)},
        {u"PositionY", *Name(options.positionY)},
        {u"Background", *Name(options.background)},
    };
    for (const auto& [name, choice] : choices)
      AppendChild(feature.Get(), FeatureWithNamedOption(ticket, prefix, name, prefix, choice).Get());
    AppendChild(root.Get(), feature.Get());
    AppendChild(root.Get(), DataProperty(ticket, options).Get());
    return S_OK;
  });
}
