#include "ticket/nup_settings.h"

#include "ticket/hresult_error.h"
#include "ticket/settings_support.h"

namespace {

constexpr std::u16string_view kJobNUp = kNUpFeatures[ScopeRow(Scope::Job)];
constexpr std::u16string_view kPagesPerSheet = u"PagesPerSheet";
constexpr std::u16string_view kDirection = u"PresentationDirection";
constexpr std::u16string_view kBorderLine = u"BorderLine";

bool IsRealFailure(HRESULT hr) { return FAILED(hr) && !IsAbsent(hr); }

// Feature, PagesPerSheet (stored as soon as read) and PresentationDirection:
// S_OK with the direction when all three are there.
HRESULT ReadLayout(const PrintTicketDom& ticket, NUpSettings& settings, Bstr* direction) {
  HRESULT hr = ticket.FeatureExists(kJobNUp);
  if (hr == S_OK) hr = ticket.GetScoredPropertyInt(kJobNUp, kPagesPerSheet, &settings.pagesPerSheet);
  BOOL isPrivate = FALSE;
  if (hr == S_OK)
    hr = ticket.GetSubFeatureOption(ticket.KeywordsPrefix(), kJobNUp, ticket.KeywordsPrefix(), kDirection, direction,
                                    &isPrivate);
  return hr;
}

}  // namespace

HRESULT ReadNUp(const PrintTicketDom& ticket, NUpSettings& settings) {
  return CallReturningHresult([&] {
    Bstr direction;
    HRESULT hr = ReadLayout(ticket, settings, &direction);
    if (IsRealFailure(hr)) return hr;
    if (hr == S_OK) {
      if (settings.pagesPerSheet < 1) {
        settings.pagesPerSheet = 1;
      } else {
        settings.scope = Scope::Job;
        if (const auto order = FromName<NUpDirection>(kPresentationDirectionOptions, direction.View()))
          settings.presentationDirection = *order;
      }
    }
    Bstr border;
    BOOL isPrivate = FALSE;
    hr = ticket.GetSubFeatureOption(ticket.KeywordsPrefix(), kJobNUp, ticket.PrivatePrefix(), kBorderLine, &border,
                                    &isPrivate);
    if (IsRealFailure(hr)) return hr;
    if (IsAbsent(hr)) {
      settings.scope = Scope::None;
    } else if (const auto line = FromName<BorderLine>(kBorderLineOptions, border.View())) {
      settings.borderLine = *line;
    }
    return S_OK;
  });
}

HRESULT RemoveNUp(PrintTicketDom& ticket) {
  return CallReturningHresult([&] {
    for (std::u16string_view feature : kNUpFeatures) ThrowIfFailed(ticket.RemoveFeature(feature));
    return S_OK;
  });
}

namespace {

void AppendNUp(PrintTicketDom& ticket, IXMLDOMNode* root, const NUpSettings& settings) {
  const std::u16string_view keywords = ticket.KeywordsPrefix();
  ComPtr<IXMLDOMElement> feature;
  ComPtr<IXMLDOMElement> option;
  ComPtr<IXMLDOMElement> pages;
  ThrowIfFailed(ticket.CreateFeatureElement(keywords, kJobNUp, &feature));
  ThrowIfFailed(ticket.CreateOption(keywords, u"", &option));
  ThrowIfFailed(ticket.CreateScoredPropertyInt(keywords, kPagesPerSheet, settings.pagesPerSheet, &pages));
  AppendChild(option.Get(), pages.Get());
  AppendChild(feature.Get(), option.Get());
  const ComPtr<IXMLDOMElement> direction =
      FeatureWithNamedOption(ticket, keywords, kDirection, keywords, *Name(settings.presentationDirection));
  AppendChild(feature.Get(), direction.Get());
  const ComPtr<IXMLDOMElement> border = FeatureWithNamedOption(ticket, ticket.PrivatePrefix(), kBorderLine,
                                                               ticket.PrivatePrefix(), *Name(settings.borderLine));
  AppendChild(feature.Get(), border.Get());
  AppendChild(root, feature.Get());
}

}  // namespace

HRESULT WriteNUp(PrintTicketDom& ticket, const NUpSettings& settings) {
  const bool writes = settings.pagesPerSheet >= 1;
  if (writes && (!Name(settings.presentationDirection) || !Name(settings.borderLine)))
    return E_INVALIDARG;
  return CallReturningHresult([&] {
    const ComPtr<IXMLDOMNode> root = RootForWriting(ticket);
    if (!root) return S_FALSE;
    ThrowIfFailed(RemoveNUp(ticket));
    if (writes) AppendNUp(ticket, root.Get(), settings);
    return S_OK;
  });
}
