#include "ticket/watermark_settings.h"

#include <variant>

#include "ticket/hresult_error.h"
#include "ticket/settings_support.h"

namespace {

constexpr std::u16string_view kFeature = u"PageWatermark";
constexpr std::u16string_view kData = u"PageWatermarkData";

// A sub-property and the field it fills.
using ItemField = std::variant<LONG WatermarkItem::*, DWORD WatermarkItem::*, WORD WatermarkItem::*,
                               BYTE WatermarkItem::*, Bstr WatermarkItem::*, WatermarkType WatermarkItem::*>;
struct ItemEntry {
  std::u16string_view name;
  ItemField field;
};

// In reading order: the first missing one ends the reading.
constexpr ItemEntry kItemEntries[] = {
    {u"ID", &WatermarkItem::id},
    {u"Type", &WatermarkItem::type},
    {u"PostionX", &WatermarkItem::positionX},
    {u"PostionY", &WatermarkItem::positionY},
    {u"FontColor", &WatermarkItem::fontColor},
    {u"FontSize", &WatermarkItem::fontSize},
    {u"Text", &WatermarkItem::text},
    {u"Angle", &WatermarkItem::angle},
    {u"FontName", &WatermarkItem::fontName},
    {u"FontItalicStyle", &WatermarkItem::italic},
    {u"FontBoldStyle", &WatermarkItem::bold},
    {u"Filename", &WatermarkItem::fileName},
    {u"Scaling", &WatermarkItem::scaling},
    {u"SubData", &WatermarkItem::subData},
    {u"BmpLightness", &WatermarkItem::bmpLightness},
};

HRESULT ReadEntry(const PrintTicketDom& ticket, std::u16string_view query, const ItemField& field,
                  WatermarkItem& item) {
  const auto* text = std::get_if<Bstr WatermarkItem::*>(&field);
  const auto* type = std::get_if<WatermarkType WatermarkItem::*>(&field);
  if (text || type) {
    Bstr value;
    const HRESULT hr = ticket.GetValue(query, &value);
    if (hr != S_OK) return hr;
    if (text) {
      item.**text = std::move(value);
    } else if (const auto named = FromName<WatermarkType>(kWatermarkTypeNames, value.View())) {
      item.**type = *named;
    }
    return S_OK;
  }
  LONG value = 0;
  const HRESULT hr = ticket.GetValueInt(query, &value);
  if (hr != S_OK) return hr;
  // Narrower fields keep the low bits of what the ticket says.
  std::visit(
      [&](auto member) {
        using Field = std::remove_reference_t<decltype(item.*member)>;
        if constexpr (std::is_integral_v<Field>) item.*member = static_cast<Field>(value);
      },
      field);
  return S_OK;
}

ComPtr<IXMLDOMElement> ItemElement(PrintTicketDom& ticket, std::u16string_view name, const WatermarkItem& item) {
  const std::u16string_view prefix = ticket.PrivatePrefix();
  ComPtr<IXMLDOMElement> property;
  ThrowIfFailed(ticket.CreateProperty(prefix, name, &property));
  for (const ItemEntry& entry : kItemEntries) {
    ComPtr<IXMLDOMElement> child;
    if (const auto* text = std::get_if<Bstr WatermarkItem::*>(&entry.field)) {
      ThrowIfFailed(ticket.CreatePropertyValue(prefix, entry.name, u"string", (item.**text).View(), &child));
    } else if (const auto* type = std::get_if<WatermarkType WatermarkItem::*>(&entry.field)) {
      ThrowIfFailed(ticket.CreatePropertyValue(prefix, entry.name, u"string", *Name(item.**type), &child));
    } else {
      const LONG value = std::visit(
          [&](auto member) -> LONG {
            using Field = std::remove_reference_t<decltype(item.*member)>;
            if constexpr (std::is_integral_v<Field>) return static_cast<LONG>(item.*member);
            return 0;
          },
          entry.field);
      ThrowIfFailed(ticket.CreatePropertyInt(prefix, entry.name, value, &child));
    }
    AppendChild(property.Get(), child.Get());
  }
  return property;
}

template <class Enum, std::size_t N>
void ReadSubFeature(const PrintTicketDom& ticket, std::u16string_view name,
                    const std::array<std::u16string_view, N>& names, Enum& field) {
  Bstr option;
  BOOL isPrivate = FALSE;
  if (ticket.GetSubFeatureOption(ticket.KeywordsPrefix(), kFeature, ticket.PrivatePrefix(), name, &option,
                                 &isPrivate) != S_OK)
    return;
  if (const auto value = FromName<Enum>(names, option.View())) field = *value;
}

}  // namespace

HRESULT ReadWatermarkItem(const PrintTicketDom& ticket, std::u16string_view itemQuery, WatermarkItem& item) {
  return CallReturningHresult([&] {
    for (const ItemEntry& entry : kItemEntries) {
      XPathQuery query = ticket.NewQuery();
      ThrowIfFailed(query.AppendProperty(ticket.PrivatePrefix(), entry.name));
      const HRESULT hr = ReadEntry(ticket, std::u16string(itemQuery) + std::u16string(query.Text()), entry.field, item);
      if (hr != S_OK) return hr;
    }
    return S_OK;
  });
}

HRESULT ReadWatermarkOptions(const PrintTicketDom& ticket, WatermarkOptions& options) {
  return CallReturningHresult([&] {
    Bstr option;
    BOOL isPrivate = FALSE;
    if (ticket.GetFeatureOption(ticket.KeywordsPrefix(), kFeature, &option, &isPrivate) == S_OK) {
      if (const auto on = FromName<OffOn>(kOffOnNames, option.View())) options.on = *on;
    }
    ReadSubFeature(ticket, u"LayoutOrder", kWatermarkLayoutOrderNames, options.layoutOrder);
    ReadSubFeature(ticket, u"OverlayMethod", kWatermarkOverlayNames, options.overlay);
    ReadSubFeature(ticket, u"OutlineTxt", kOffOnNames, options.outline);
    ReadSubFeature(ticket, u"CustomSettings", kOffOnNames, options.customSettings);

    const HRESULT hr = ticket.NodeExists(PrivatePropertyQuery(ticket, {kData}));
    if (IsAbsent(hr)) return S_OK;
    if (FAILED(hr)) return hr;
    if (ticket.GetValue(PrivatePropertyQuery(ticket, {u"Title"}), &option) == S_OK) options.title = option;
    const std::pair<std::u16string_view, WatermarkItem*> items[] = {
        {u"WatermarkSettings", &options.common},
        {u"CustomWatermarkSettingsFirst", &options.first},
        {u"CustomWatermarkSettingsOther", &options.other},
    };
    for (const auto& [name, item] : items) {
      const std::u16string query = PrivatePropertyQuery(ticket, {name});
      if (ticket.NodeExists(query) == S_OK) ReadWatermarkItem(ticket, query, *item);
    }
    return S_OK;
  });
}

HRESULT WriteWatermarkOptions(PrintTicketDom& ticket, const WatermarkOptions& options) {
  if (!Name(options.on) || !Name(options.layoutOrder) || !Name(options.overlay) || !Name(options.outline) ||
      !Name(options.customSettings))
    return E_INVALIDARG;
  for (const WatermarkItem* item : {&options.common, &options.first, &options.other})
    if (!Name(item->type)) return E_INVALIDARG;
  return CallReturningHresult([&] {
    const ComPtr<IXMLDOMNode> root = RootForWriting(ticket);
    if (!root) return S_FALSE;
    ThrowIfFailed(ticket.RemoveFeature(kFeature));
    for (const std::u16string_view name : std::initializer_list<std::u16string_view>{kData, u"Title", u"WatermarkSettings", u"CustomWatermarkSettingsFirst",
                                           u"CustomWatermarkSettingsOther"})
      ThrowIfFailed(ticket.RemoveEveryProperty(name));
    const std::u16string_view prefix = ticket.PrivatePrefix();
    const ComPtr<IXMLDOMElement> feature =
        FeatureWithNamedOption(ticket, ticket.KeywordsPrefix(), kFeature, ticket.KeywordsPrefix(), *Name(options.on));
    const std::pair<std::u16string_view, std::u16string_view> subFeatures[] = {
        {u"LayoutOrder", *Name(options.layoutOrder)},
        {u"OverlayMethod", *Name(options.overlay)},
        {u"OutlineTxt", *Name(options.outline)},
        {u"CustomSettings", *Name(options.customSettings)},
    };
    for (const auto& [name, option] : subFeatures)
      AppendChild(feature.Get(), FeatureWithNamedOption(ticket, prefix, name, prefix, option).Get());
    AppendChild(root.Get(), feature.Get());
    ComPtr<IXMLDOMElement> data;
    ThrowIfFailed(ticket.CreateProperty(prefix, kData, &data));
    ComPtr<IXMLDOMElement> title;
    ThrowIfFailed(ticket.CreatePropertyValue(prefix, u"Title", u"string", options.title.View(), &title));
    AppendChild(data.Get(), title.Get());
    AppendChild(data.Get(), ItemElement(ticket, u"WatermarkSettings", options.common).Get());
    AppendChild(data.Get(), ItemElement(ticket, u"CustomWatermarkSettingsFirst", options.first).Get());
    AppendChild(data.Get(), ItemElement(ticket, u"CustomWatermarkSettingsOther", options.other).Get());
    AppendChild(root.Get(), data.Get());
    return S_OK;
  });
}

const WatermarkItem& EffectiveWatermarkItem(const WatermarkOptions& options, ULONG pageNumber) {
  if (options.customSettings != OffOn::On) return options.common;
  return pageNumber <= 1 ? options.first : options.other;
}

WatermarkType DrawnWatermarkType(const WatermarkOptions& options, const WatermarkItem& item) {
  if (options.on != OffOn::On) return WatermarkType::None;
  return item.type == WatermarkType::Bitmap || item.type == WatermarkType::Text ? item.type : WatermarkType::None;
}
