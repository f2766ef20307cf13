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

struct TextItem {
  std::u16string_view name;
  OptionTable values;
  LONG MediaSizeSettings::*field;
};

constexpr TextItem kTextItems[] = {
    {u"CustomUnitType", kCustomUnitNames, &MediaSizeSettings::customUnitIsInch},
    {u"TransverseMode", kOffOnNames, &MediaSizeSettings::transverse},
    {u"ThicknessType", kThicknessNames, &MediaSizeSettings::thicknessType},
    {u"UseFixedMargin", kOffOnNames, &MediaSizeSettings::fixedMargin},
};

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
  if (const auto index = IndexIn(kOrientationOptions, name.View())) settings.orientation = *index;
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

// The thirteen items in order; the first real failure ends the reading.
HRESULT ReadMediaSizeData(const PrintTicketDom& ticket, MediaSizeSettings& settings, HRESULT result) {
  for (const TextItem& item : kTextItems) {
    Bstr text;
    const HRESULT hr = ReadItemText(ticket, item.name, &text);
    if (FAILED(hr)) return hr;
    if (hr != S_OK) {
      result = hr;
    } else if (const auto index = IndexIn(item.values, text.View())) {
      settings.*item.field = *index;
    }
  }
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
      {{kTextItems[0].name, settings.customUnitIsInch == 1 ? u"inch" : u"mm"},
       {kTextItems[1].name, settings.transverse == 1 ? u"On" : u"Off"},
       {kTextItems[2].name, *NameAt(kThicknessNames, settings.thicknessType)},
       {kTextItems[3].name, settings.fixedMargin == 1 ? u"On" : u"Off"}});
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
  if (settings.optionName.Empty() || !NameAt(kOrientationOptions, settings.orientation) ||
      !NameAt(kThicknessNames, settings.thicknessType))
    return E_INVALIDARG;
  return CallReturningHresult([&] {
    const ComPtr<IXMLDOMNode> root = RootForWriting(ticket);
    if (!root) return S_FALSE;
    RemoveMediaSize(ticket);
    AppendMediaSize(ticket, root.Get(), settings);
    ComPtr<IXMLDOMElement> orientation;
    ThrowIfFailed(ticket.CreateFeatureWithOption(false, kOrientation, false,
                                                 *NameAt(kOrientationOptions, settings.orientation), &orientation,
                                                 nullptr));
    AppendChild(root.Get(), orientation.Get());
    AppendMediaSizeData(ticket, root.Get(), settings);
    return S_OK;
  });
}
