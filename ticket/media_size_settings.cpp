#include "ticket/media_size_settings.h"

#include "ticket/hresult_error.h"
#include "ticket/settings_support.h"
#include "ticket/ticket_text.h"

namespace {

constexpr std::u16string_view kMediaSize = u"PageMediaSize";
constexpr std::u16string_view kOrientation = u"PageOrientation";
constexpr std::u16string_view kMediaSizeData = u"PageMediaSizeData";
constexpr std::u16string_view kCustomMediaSize = u"CustomMediaSize";
constexpr std::u16string_view kWidthParameter = u"PageMediaSizeMediaSizeWidth";
constexpr std::u16string_view kHeightParameter = u"PageMediaSizeMediaSizeHeight";

// The items named from a table, in reading and writing order.
constexpr std::u16string_view kCustomUnitItem = u"CustomUnitType";
constexpr std::u16string_view kTransverseItem = u"TransverseMode";
constexpr std::u16string_view kThicknessItem = u"ThicknessType";
constexpr std::u16string_view kFixedMarginItem = u"UseFixedMargin";

struct IntegerItem {
  std::u16string_view name;
  LONG MediaSizeSettings::*field;
};

constexpr IntegerItem kMarginItems[] = {
    {u"DocMarginLeft", &MediaSizeSettings::docMarginLeft},   {u"DocMarginRight", &MediaSizeSettings::docMarginRight},
    {u"DocMarginTop", &MediaSizeSettings::docMarginTop},     {u"DocMarginBottom", &MediaSizeSettings::docMarginBottom},
    {u"OutMarginLeft", &MediaSizeSettings::outMarginLeft},   {u"OutMarginRight", &MediaSizeSettings::outMarginRight},
    {u"OutMarginTop", &MediaSizeSettings::outMarginTop},     {u"OutMarginBottom", &MediaSizeSettings::outMarginBottom},
};

constexpr std::u16string_view kPaperTempItem = u"CustomPaperTemp";

// Name, width and height are taken together or not at all.
void ReadPaper(const PrintTicketDom& ticket, MediaSizeSettings& settings, HRESULT& result) {
  Bstr name;
  BOOL isPrivate = FALSE;
  const HRESULT hr = ticket.GetFeatureOption(ticket.KeywordsPrefix(), kMediaSize, &name, &isPrivate);
  if (IsAbsent(hr)) result = S_SETTINGS_DEFAULTED;
  if (hr != S_OK) return;
  LONG width = 0;
  LONG height = 0;
  if (ticket.GetScoredPropertyInt(kMediaSize, u"MediaSizeWidth", &width) != S_OK ||
      ticket.GetScoredPropertyInt(kMediaSize, u"MediaSizeHeight", &height) != S_OK)
    return;
  settings.optionName = std::move(name);
  settings.width = width;
  settings.height = height;
  settings.optionIsPrivate = isPrivate;
}

void ReadOrientation(const PrintTicketDom& ticket, MediaSizeSettings& settings, HRESULT& result) {
  Bstr name;
  BOOL isPrivate = FALSE;
  const HRESULT hr = ticket.GetFeatureOption(ticket.KeywordsPrefix(), kOrientation, &name, &isPrivate);
  if (IsAbsent(hr)) result = S_SETTINGS_DEFAULTED;
  if (hr != S_OK) return;
  if (const auto orientation = FromName<Orientation>(kOrientationOptions, name.View()))
    settings.orientation = *orientation;
}

// One PageMediaSizeData item, looked up by its name anywhere in the ticket.
// S_OK with the value read, S_SETTINGS_DEFAULTED when absent, or the failure.
HRESULT ReadItemText(const PrintTicketDom& ticket, std::u16string_view item, Bstr* text) {
  const HRESULT hr = ticket.GetValue(PrivatePropertyQuery(ticket, {item}), text);
  return IsAbsent(hr) ? S_SETTINGS_DEFAULTED : hr;
}

HRESULT ReadItemInteger(const PrintTicketDom& ticket, std::u16string_view item, LONG* value) {
  const HRESULT hr = ticket.GetValueInt(PrivatePropertyQuery(ticket, {item}), value);
  return IsAbsent(hr) ? S_SETTINGS_DEFAULTED : hr;
}

// An item named from names: field keeps its value when the text is not in
// the table; result becomes S_SETTINGS_DEFAULTED when the item is absent.
template <class Field, std::size_t N>
HRESULT ReadTableItem(const PrintTicketDom& ticket, std::u16string_view item,
                      const std::array<std::u16string_view, N>& names, Field& field, HRESULT& result) {
  Bstr text;
  const HRESULT hr = ReadItemText(ticket, item, &text);
  if (FAILED(hr)) return hr;
  if (hr != S_OK) {
    result = hr;
  } else if (const auto index = IndexIn(names, text.View())) {
    field = static_cast<Field>(*index);
  }
  return S_OK;
}

// The thirteen items in order; the first real failure ends the reading.
HRESULT ReadMediaSizeData(const PrintTicketDom& ticket, MediaSizeSettings& settings, HRESULT result) {
  HRESULT named = ReadTableItem(ticket, kCustomUnitItem, kCustomUnitNames, settings.customUnitIsInch, result);
  if (SUCCEEDED(named)) named = ReadTableItem(ticket, kTransverseItem, kOffOnNames, settings.transverse, result);
  if (SUCCEEDED(named))
    named = ReadTableItem(ticket, kThicknessItem, kThicknessNames, settings.thicknessType, result);
  if (SUCCEEDED(named)) named = ReadTableItem(ticket, kFixedMarginItem, kOffOnNames, settings.fixedMargin, result);
  if (FAILED(named)) return named;
  for (const IntegerItem& item : kMarginItems) {
    const HRESULT hr = ReadItemInteger(ticket, item.name, &(settings.*item.field));
    if (FAILED(hr)) return hr;
    if (hr != S_OK) result = hr;
  }
  LONG paperTemp = 0;
  const HRESULT hr = ReadItemInteger(ticket, kPaperTempItem, &paperTemp);
  if (FAILED(hr)) return hr;
  if (hr != S_OK) return hr;  // absent: defaulted
  settings.customPaperTemp = static_cast<SHORT>(paperTemp);  // the low 16 bits, as the printer takes it
  return result;
}

}  // namespace

HRESULT ReadMediaSize(const PrintTicketDom& ticket, MediaSizeSettings& settings) {
  return CallReturningHresult([&] {
    HRESULT result = S_OK;
    ReadPaper(ticket, settings, result);
    ReadOrientation(ticket, settings, result);
    const HRESULT hr = ticket.NodeExists(PrivatePropertyQuery(ticket, {kMediaSizeData}));
    if (IsAbsent(hr)) return S_SETTINGS_DEFAULTED;
    if (FAILED(hr)) return hr;
    return ReadMediaSizeData(ticket, settings, result);
  });
}

namespace {

void RemoveMediaSize(PrintTicketDom& ticket) {
  ThrowIfFailed(ticket.RemoveFeature(kMediaSize));
  ThrowIfFailed(ticket.RemoveFeature(kOrientation));
  ThrowIfFailed(ticket.RemoveEveryProperty(kMediaSizeData));
  ThrowIfFailed(ticket.RemoveEveryParameterInit(ticket.KeywordsPrefix(), kWidthParameter));
  ThrowIfFailed(ticket.RemoveEveryParameterInit(ticket.KeywordsPrefix(), kHeightParameter));
}

// A custom size's dimension: a ParameterRef under the option, its ParameterInit under the root.
void AppendCustomDimension(PrintTicketDom& ticket, IXMLDOMNode* root, IXMLDOMNode* option,
                           std::u16string_view parameter, std::u16string_view scoredProperty, LONG value) {
  ComPtr<IXMLDOMElement> reference;
  ComPtr<IXMLDOMElement> initialiser;
  ComPtr<IXMLDOMElement> scored;
  ThrowIfFailed(ticket.CreateKeywordsParameterInt(parameter, value, &reference, &initialiser));
  ThrowIfFailed(ticket.AppendScoredProperty(ticket.KeywordsPrefix(), scoredProperty, reference.Get(), &scored));
  AppendChild(option, scored.Get());
  AppendChild(root, initialiser.Get());
}

void AppendDimension(PrintTicketDom& ticket, IXMLDOMNode* option, std::u16string_view scoredProperty, LONG value) {
  ComPtr<IXMLDOMElement> scored;
  ThrowIfFailed(ticket.CreateScoredPropertyInt(ticket.KeywordsPrefix(), scoredProperty, value, &scored));
  AppendChild(option, scored.Get());
}

void AppendMediaSize(PrintTicketDom& ticket, IXMLDOMNode* root, const MediaSizeSettings& settings) {
  ComPtr<IXMLDOMElement> feature;
  ComPtr<IXMLDOMElement> option;
  ThrowIfFailed(ticket.CreateFeatureWithOption(false, kMediaSize, settings.optionIsPrivate != 0,
                                               settings.optionName.View(), &feature, &option));
  AppendChild(root, feature.Get());
  if (settings.optionName.View() == kCustomMediaSize) {
    AppendCustomDimension(ticket, root, option.Get(), kWidthParameter, u"MediaSizeWidth", settings.width);
    AppendCustomDimension(ticket, root, option.Get(), kHeightParameter, u"MediaSizeHeight", settings.height);
  } else {
    AppendDimension(ticket, option.Get(), u"MediaSizeWidth", settings.width);
    AppendDimension(ticket, option.Get(), u"MediaSizeHeight", settings.height);
  }
}

void AppendMediaSizeData(PrintTicketDom& ticket, IXMLDOMNode* root, const MediaSizeSettings& settings) {
  ComPtr<IXMLDOMElement> data = PrivateStringProperties(
      ticket, kMediaSizeData,
      {{kCustomUnitItem, kCustomUnitNames[settings.customUnitIsInch == CustomUnit::Inch ? 1 : 0]},
       {kTransverseItem, kOffOnNames[settings.transverse == OffOn::On ? 1 : 0]},
       {kThicknessItem, *Name(settings.thicknessType)},
       {kFixedMarginItem, kOffOnNames[settings.fixedMargin == OffOn::On ? 1 : 0]}});
  const auto appendInteger = [&](std::u16string_view item, LONG value) {
    ComPtr<IXMLDOMElement> child;
    ThrowIfFailed(ticket.CreatePropertyInt(ticket.PrivatePrefix(), item, value, &child));
    AppendChild(data.Get(), child.Get());
  };
  for (const IntegerItem& item : kMarginItems) appendInteger(item.name, settings.*item.field);
  appendInteger(kPaperTempItem, settings.customPaperTemp);
  AppendChild(root, data.Get());
}

}  // namespace

HRESULT WriteMediaSize(PrintTicketDom& ticket, const MediaSizeSettings& settings) {
  if (settings.optionName.Empty() || !Name(settings.orientation) || !Name(settings.thicknessType))
    return E_INVALIDARG;
  return CallReturningHresult([&] {
    const ComPtr<IXMLDOMNode> root = RootForWriting(ticket);
    if (!root) return S_FALSE;
    RemoveMediaSize(ticket);
    AppendMediaSize(ticket, root.Get(), settings);
    ComPtr<IXMLDOMElement> orientation;
    ThrowIfFailed(ticket.CreateFeatureWithOption(false, kOrientation, false, *Name(settings.orientation),
                                                 &orientation, nullptr));
    AppendChild(root.Get(), orientation.Get());
    AppendMediaSizeData(ticket, root.Get(), settings);
    return S_OK;
  });
}
