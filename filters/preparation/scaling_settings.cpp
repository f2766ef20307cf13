#include "scaling_settings.h"

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

HRESULT WriteNeutralScaling(PrintTicketDom& ticket) {
  return CallReturningHresult([&] {
    const ComPtr<IXMLDOMNode> root = RootForWriting(ticket);
    if (!root) return S_FALSE;
    ThrowIfFailed(ticket.RemoveFeature(kPageScaling));
    ThrowIfFailed(ticket.RemoveEveryProperty(kScalingData));
    const ScalingSettings neutral;
    const std::u16string_view keywords = ticket.KeywordsPrefix();
    const ComPtr<IXMLDOMElement> scaling =
        FeatureWithNamedOption(ticket, keywords, kPageScaling, keywords, *Name(ScalingMode::None));
    AppendChild(root.Get(), scaling.Get());
    const ComPtr<IXMLDOMElement> alignment = FeatureWithNamedOption(
        ticket, keywords, u"ScaleOffsetAlignment", keywords, *Name(neutral.alignment));
    AppendChild(scaling.Get(), alignment.Get());
    ComPtr<IXMLDOMElement> paper;
    ComPtr<IXMLDOMElement> paperOption;
    ThrowIfFailed(ticket.CreateFeatureWithOption(true, u"FitMediaSize", false, neutral.targetPaper.optionName.View(),
                                                 &paper, &paperOption));
    ComPtr<IXMLDOMElement> width;
    ComPtr<IXMLDOMElement> height;
    ThrowIfFailed(ticket.CreateScoredPropertyInt(keywords, u"FitMediaSizeWidth", neutral.targetPaper.width, &width));
    ThrowIfFailed(ticket.CreateScoredPropertyInt(keywords, u"FitMediaSizeHeight", neutral.targetPaper.height, &height));
    AppendChild(paperOption.Get(), width.Get());
    AppendChild(paperOption.Get(), height.Get());
    AppendChild(scaling.Get(), paper.Get());
    ComPtr<IXMLDOMElement> data;
    ComPtr<IXMLDOMElement> correct;
    ComPtr<IXMLDOMElement> customPaper;
    ThrowIfFailed(ticket.CreateProperty(ticket.PrivatePrefix(), kScalingData, &data));
    ThrowIfFailed(ticket.CreatePropertyValue(ticket.PrivatePrefix(), u"CorrectFixedPageSize", u"string",
                                             *Name(neutral.correctFixedPageSize), &correct));
    ThrowIfFailed(ticket.CreatePropertyInt(ticket.PrivatePrefix(), u"FitToCustomPaperTemp", neutral.customPaper,
                                           &customPaper));
    AppendChild(data.Get(), correct.Get());
    AppendChild(data.Get(), customPaper.Get());
    AppendChild(root.Get(), data.Get());
    return S_OK;
  });
}
