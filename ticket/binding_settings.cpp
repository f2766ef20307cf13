#include "ticket/binding_settings.h"

#include <string>

#include "ticket/hresult_error.h"
#include "ticket/settings_support.h"

namespace {

constexpr std::u16string_view kJobBinding = kBindingFeatures[ScopeRow(Scope::Job)];
constexpr std::u16string_view kGutterControl = u"BindingGutterControl";
constexpr std::u16string_view kUnit = u"BindingUnit";
constexpr std::u16string_view kBookletMethod = u"BookletPrintingMethod";
constexpr std::u16string_view kOptionControl = u"BindingOptionControl";
constexpr std::u16string_view kDependOnDuplex = u"DependOnDuplex";

bool IsHealthy(HRESULT hr) { return SUCCEEDED(hr) || IsAbsent(hr); }

XPathQuery JobBindingQuery(const PrintTicketDom& ticket) {
  XPathQuery query = ticket.NewQuery();
  ThrowIfFailed(query.AppendFeature(ticket.KeywordsPrefix(), kJobBinding));
  return query;
}

// Edge, gutter and DependOnDuplex of the feature's option; the result of the last read.
HRESULT ReadEdge(const PrintTicketDom& ticket, std::u16string_view option, BindingSettings& settings) {
  const auto edge = FromName<BindingEdge>(kBindingEdgeOptions, option);
  if (!edge) return S_OK;
  settings.bindingEdge = *edge;
  HRESULT hr = ticket.GetScoredPropertyInt(kJobBinding, u"BindingGutter", &settings.gutter);
  if (hr != S_OK) return hr;
  XPathQuery query = JobBindingQuery(ticket);
  ThrowIfFailed(query.AppendScoredProperty(ticket.PrivatePrefix(), kDependOnDuplex));
  Bstr depend;
  hr = ticket.GetValue(query.Text(), &depend);
  if (hr == S_OK) settings.dependOnDuplex = depend.View() == u"False" ? 0 : 1;
  return hr;
}

template <class Field>
HRESULT ReadSubFeature(const PrintTicketDom& ticket, std::u16string_view subFeature, OptionTable names, Field& field) {
  Bstr option;
  BOOL isPrivate = FALSE;
  const HRESULT hr = ticket.GetSubFeatureOption(ticket.KeywordsPrefix(), kJobBinding, ticket.PrivatePrefix(),
                                                subFeature, &option, &isPrivate);
  if (hr == S_OK) {
    if (const auto index = IndexIn(names, option.View())) field = static_cast<Field>(*index);
  }
  return hr;
}

HRESULT ReadBookletSheets(const PrintTicketDom& ticket, BindingSettings& settings) {
  XPathQuery query = ticket.NewQuery();
  ThrowIfFailed(query.AppendParameterInit(ticket.PrivatePrefix(), kBookletSheetsParameters[ScopeRow(Scope::Job)]));
  return ticket.GetValueInt(query.Text(), &settings.bookletSheets);
}

HRESULT ReadOptionControl(const PrintTicketDom& ticket, BindingSettings& settings) {
  XPathQuery query = JobBindingQuery(ticket);
  ThrowIfFailed(query.AppendProperty(ticket.PrivatePrefix(), kOptionControl));
  Bstr control;
  const HRESULT hr = ticket.GetValue(query.Text(), &control);
  if (hr == S_OK) {
    if (const auto value = FromName<OffOn>(kOffOnNames, control.View())) settings.optionControl = *value;
  }
  return hr;
}

}  // namespace

HRESULT ReadBinding(const PrintTicketDom& ticket, BindingSettings& settings) {
  return CallReturningHresult([&] {
    Bstr option;
    BOOL isPrivate = FALSE;
    HRESULT hr = ticket.GetFeatureOption(ticket.KeywordsPrefix(), kJobBinding, &option, &isPrivate);
    if (!IsHealthy(hr)) return hr;
    if (hr == S_OK) {
      settings.scope = Scope::Job;
      hr = ReadEdge(ticket, option.View(), settings);
    }
    if (IsHealthy(hr)) hr = ReadSubFeature(ticket, kGutterControl, kOffOnNames, settings.gutterControl);
    if (IsHealthy(hr)) hr = ReadSubFeature(ticket, kUnit, kBindingUnitNames, settings.unit);
    if (IsHealthy(hr)) hr = ReadSubFeature(ticket, kBookletMethod, kBookletMethodNames, settings.bookletMethod);
    if (IsHealthy(hr)) ReadBookletSheets(ticket, settings);
    hr = ReadOptionControl(ticket, settings);
    return IsAbsent(hr) ? S_OK : hr;
  });
}

HRESULT RemoveBinding(PrintTicketDom& ticket) {
  return CallReturningHresult([&] {
    for (std::size_t scope = 0; scope < kBindingFeatures.size(); ++scope) {
      ThrowIfFailed(ticket.RemoveFeature(kBindingFeatures[scope]));
      ThrowIfFailed(ticket.RemoveEveryParameterInit(ticket.KeywordsPrefix(), kBindingGutterParameters[scope]));
      ThrowIfFailed(ticket.RemoveEveryParameterInit(ticket.PrivatePrefix(), kBookletSheetsParameters[scope]));
    }
    return S_OK;
  });
}

namespace {

bool IsValid(const BindingSettings& settings) {
  return IsScope(settings.scope) && Name(settings.bindingEdge) && Name(settings.unit) &&
         Name(settings.gutterControl) && Name(settings.optionControl) && Name(settings.bookletMethod);
}

void AppendPrivateSubFeature(PrintTicketDom& ticket, IXMLDOMNode* feature, std::u16string_view name,
                             std::u16string_view option) {
  const ComPtr<IXMLDOMElement> subFeature =
      FeatureWithNamedOption(ticket, ticket.PrivatePrefix(), name, ticket.PrivatePrefix(), option);
  AppendChild(feature, subFeature.Get());
}

// The binding feature of the scope, its gutter initialiser and its booklet-sheets initialiser.
void AppendBinding(PrintTicketDom& ticket, IXMLDOMNode* root, const BindingSettings& settings) {
  const std::size_t scope = ScopeRow(settings.scope);
  const std::u16string_view keywords = ticket.KeywordsPrefix();
  const std::u16string_view privatePrefix = ticket.PrivatePrefix();
  ComPtr<IXMLDOMElement> feature;
  ComPtr<IXMLDOMElement> option;
  ThrowIfFailed(ticket.CreateFeatureWithOption(false, kBindingFeatures[scope],
                                               settings.bindingEdge == BindingEdge::BookletReverseFlip,
                                               *Name(settings.bindingEdge), &feature, &option));
  ComPtr<IXMLDOMElement> reference;
  ComPtr<IXMLDOMElement> gutter;
  ComPtr<IXMLDOMElement> scored;
  ThrowIfFailed(
      ticket.CreateKeywordsParameterInt(kBindingGutterParameters[scope], settings.gutter, &reference, &gutter));
  ThrowIfFailed(ticket.AppendScoredProperty(keywords, u"BindingGutter", reference.Get(), &scored));
  AppendChild(option.Get(), scored.Get());
  ComPtr<IXMLDOMElement> depend;
  ThrowIfFailed(ticket.CreateScoredPropertyString(privatePrefix, kDependOnDuplex,
                                                  settings.dependOnDuplex == 1 ? u"True" : u"False", &depend));
  AppendChild(option.Get(), depend.Get());
  ComPtr<IXMLDOMElement> control;
  ThrowIfFailed(ticket.CreatePropertyValue(privatePrefix, kOptionControl, u"string",
                                           *Name(settings.optionControl), &control));
  AppendChild(feature.Get(), control.Get());
  AppendPrivateSubFeature(ticket, feature.Get(), kGutterControl, *Name(settings.gutterControl));
  AppendPrivateSubFeature(ticket, feature.Get(), kUnit, *Name(settings.unit));
  AppendPrivateSubFeature(ticket, feature.Get(), kBookletMethod, *Name(settings.bookletMethod));
  ComPtr<IXMLDOMElement> sheets;
  ThrowIfFailed(ticket.CreatePrivateParameterInt(kBookletSheetsParameters[scope], settings.bookletSheets, &sheets));
  AppendChild(root, feature.Get());
  AppendChild(root, gutter.Get());
  AppendChild(root, sheets.Get());
}

}  // namespace

HRESULT WriteBinding(PrintTicketDom& ticket, const BindingSettings& settings) {
  if (!IsValid(settings)) return E_INVALIDARG;
  return CallReturningHresult([&] {
    const ComPtr<IXMLDOMNode> root = RootForWriting(ticket);
    if (!root) return S_FALSE;
    ThrowIfFailed(RemoveBinding(ticket));
    if (settings.scope != Scope::None) AppendBinding(ticket, root.Get(), settings);
    return S_OK;
  });
}
