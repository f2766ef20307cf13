#include "ticket/scaling_settings.h"

#include "ticket/hresult_error.h"
#include "ticket/settings_support.h"

namespace {

constexpr std::u16string_view kPageScaling = u"PageScaling";
constexpr std::u16string_view kScalingData = u"PageScalingData";

// Stores the ticket's value when it has one; throws failures other than absence.
void ReadScored(const PrintTicketDom& ticket, std::u16string_view name, LONG& field) {
  LONG value = 0;
  const HRESULT hr = ticket.GetScoredPropertyInt(kPageScaling, name, &value);
  if (hr == S_OK) field = value;
  if (FAILED(hr) && !IsAbsent(hr)) throw HResultError(hr);
}

// The option of a PageScaling sub-feature, or an empty Bstr when absent.
Bstr SubFeatureOption(const PrintTicketDom& ticket, std::u16string_view prefix, std::u16string_view name,
                      BOOL* isPrivate) {
  Bstr option;
  const HRESULT hr = ticket.GetSubFeatureOption(ticket.KeywordsPrefix(), kPageScaling, prefix, name, &option, isPrivate);
  if (FAILED(hr) && !IsAbsent(hr)) throw HResultError(hr);
  return hr == S_OK ? std::move(option) : Bstr();
}

void ReadModeDetails(const PrintTicketDom& ticket, ScalingSettings& settings) {
  ReadScored(ticket, u"Scale", settings.scale);
  ReadScored(ticket, u"OffsetWidth", settings.offsetWidth);
  ReadScored(ticket, u"OffsetHeight", settings.offsetHeight);
  BOOL isPrivate = FALSE;
  const Bstr alignment = SubFeatureOption(ticket, ticket.KeywordsPrefix(), u"ScaleOffsetAlignment", &isPrivate);
  if (const auto value = FromName<ScaleAlignment>(kScaleAlignmentNames, alignment.View())) settings.alignment = *value;
  const Bstr paper = SubFeatureOption(ticket, ticket.PrivatePrefix(), u"FitMediaSize", &isPrivate);
  if (!paper.Get()) return;
  LONG width = 0;
  LONG height = 0;
  HRESULT hr = ticket.GetScoredPropertyInt(kPageScaling, u"FitMediaSizeWidth", &width);
  if (hr == S_OK) hr = ticket.GetScoredPropertyInt(kPageScaling, u"FitMediaSizeHeight", &height);
  if (FAILED(hr) && !IsAbsent(hr)) throw HResultError(hr);
  if (hr != S_OK) return;
  settings.targetPaper.optionName = paper;
  if (!settings.targetPaper.optionName.Get()) throw HResultError(E_OUTOFMEMORY);
  settings.targetPaper.optionIsPrivate = isPrivate ? 1 : 0;
  settings.targetPaper.width = width;
  settings.targetPaper.height = height;
}

OffOn OnFlag(const PrintTicketDom& ticket, std::u16string_view name) {
  const std::optional<Bstr> text = PrivateText(ticket, {name});
  return text && text->View() == *Name(OffOn::On) ? OffOn::On : OffOn::Off;
}

void ReadScalingData(const PrintTicketDom& ticket, ScalingSettings& settings) {
  settings.scalePrintableArea = OffOn::Off;
  settings.correctFixedPageSize = OffOn::Off;
  const HRESULT exists = ticket.NodeExists(PrivatePropertyQuery(ticket, {kScalingData}));
  if (IsAbsent(exists)) return;
  ThrowIfFailed(exists);
  settings.scalePrintableArea = OnFlag(ticket, u"ScalePrintableArea");
  settings.correctFixedPageSize = OnFlag(ticket, u"CorrectFixedPageSize");
  LONG paper = 0;
  const HRESULT hr = ticket.GetValueInt(PrivatePropertyQuery(ticket, {u"FitToCustomPaperTemp"}), &paper);
  // The field is the value's low 16 bits, whatever the value: a truncation by definition.
  if (hr == S_OK) settings.customPaper = static_cast<SHORT>(paper & 0xFFFF);
  if (FAILED(hr) && !IsAbsent(hr)) throw HResultError(hr);
}

}  // namespace

HRESULT ReadScalingSettings(const PrintTicketDom& ticket, ScalingSettings& settings) {
  return CallReturningHresult([&] {
    Bstr option;
    BOOL isPrivate = FALSE;
    const HRESULT hr = ticket.GetFeatureOption(ticket.KeywordsPrefix(), kPageScaling, &option, &isPrivate);
    if (FAILED(hr) && !IsAbsent(hr)) return hr;
    if (hr == S_OK) {
      if (const auto mode = FromName<ScalingMode>(kScalingModeNames, option.View())) {
        settings.mode = *mode;
        ReadModeDetails(ticket, settings);
      }
    }
    ReadScalingData(ticket, settings);
    return S_OK;
  });
}

namespace {

// The mode's option, with the custom scale and offsets where the mode uses them.
ComPtr<IXMLDOMElement> ScalingFeature(PrintTicketDom& ticket, const ScalingSettings& settings) {
  const std::u16string_view keywords = ticket.KeywordsPrefix();
  ComPtr<IXMLDOMElement> scaling;
  ComPtr<IXMLDOMElement> option;
  ThrowIfFailed(ticket.CreateFeatureWithOption(false, kPageScaling, settings.mode == ScalingMode::FitToPaper,
                                               *Name(settings.mode), &scaling, &option));
  if (settings.mode == ScalingMode::CustomSquare) {
    for (const auto& [name, value] : {std::pair{u"Scale", settings.scale}, std::pair{u"OffsetWidth", settings.offsetWidth},
                                      std::pair{u"OffsetHeight", settings.offsetHeight}}) {
      ComPtr<IXMLDOMElement> scored;
      ThrowIfFailed(ticket.CreateScoredPropertyInt(keywords, name, value, &scored));
      AppendChild(option.Get(), scored.Get());
    }
  }
  const ComPtr<IXMLDOMElement> alignment =
      FeatureWithNamedOption(ticket, keywords, u"ScaleOffsetAlignment", keywords, *Name(settings.alignment));
  AppendChild(scaling.Get(), alignment.Get());
  const MediaSizeSettings& target = settings.targetPaper;
  ComPtr<IXMLDOMElement> paper;
  ComPtr<IXMLDOMElement> paperOption;
  ThrowIfFailed(ticket.CreateFeatureWithOption(true, u"FitMediaSize", target.optionIsPrivate != 0,
                                               target.optionName.View(), &paper, &paperOption));
  ComPtr<IXMLDOMElement> width;
  ComPtr<IXMLDOMElement> height;
  ThrowIfFailed(ticket.CreateScoredPropertyInt(keywords, u"FitMediaSizeWidth", target.width, &width));
  ThrowIfFailed(ticket.CreateScoredPropertyInt(keywords, u"FitMediaSizeHeight", target.height, &height));
  AppendChild(paperOption.Get(), width.Get());
  AppendChild(paperOption.Get(), height.Get());
  AppendChild(scaling.Get(), paper.Get());
  return scaling;
}

// ScalePrintableArea only when On: the neutral block leaves it out.
ComPtr<IXMLDOMElement> ScalingData(PrintTicketDom& ticket, const ScalingSettings& settings) {
  const std::u16string_view prefix = ticket.PrivatePrefix();
  ComPtr<IXMLDOMElement> data;
  ThrowIfFailed(ticket.CreateProperty(prefix, kScalingData, &data));
  if (settings.scalePrintableArea == OffOn::On) {
    ComPtr<IXMLDOMElement> printable;
    ThrowIfFailed(ticket.CreatePropertyValue(prefix, u"ScalePrintableArea", u"string", *Name(OffOn::On), &printable));
    AppendChild(data.Get(), printable.Get());
  }
  ComPtr<IXMLDOMElement> correct;
  ComPtr<IXMLDOMElement> customPaper;
  ThrowIfFailed(ticket.CreatePropertyValue(prefix, u"CorrectFixedPageSize", u"string",
                                           *Name(settings.correctFixedPageSize), &correct));
  ThrowIfFailed(ticket.CreatePropertyInt(prefix, u"FitToCustomPaperTemp", settings.customPaper, &customPaper));
  AppendChild(data.Get(), correct.Get());
  AppendChild(data.Get(), customPaper.Get());
  return data;
}

}  // namespace

HRESULT WriteScaling(PrintTicketDom& ticket, const ScalingSettings& settings) {
  return CallReturningHresult([&] {
    if (!Name(settings.mode) || !Name(settings.alignment) || !Name(settings.scalePrintableArea) ||
        !Name(settings.correctFixedPageSize) || !settings.targetPaper.optionName.Get())
      return E_INVALIDARG;
    const ComPtr<IXMLDOMNode> root = RootForWriting(ticket);
    if (!root) return S_FALSE;
    ThrowIfFailed(ticket.RemoveFeature(kPageScaling));
    ThrowIfFailed(ticket.RemoveEveryProperty(kScalingData));
    const ComPtr<IXMLDOMElement> scaling = ScalingFeature(ticket, settings);
    AppendChild(root.Get(), scaling.Get());
    const ComPtr<IXMLDOMElement> data = ScalingData(ticket, settings);
    AppendChild(root.Get(), data.Get());
    return S_OK;
  });
}

HRESULT WriteNeutralScaling(PrintTicketDom& ticket) { return WriteScaling(ticket, ScalingSettings()); }
