#include "ticket/duplex_settings.h"

#include "ticket/hresult_error.h"
#include "ticket/settings_support.h"

namespace {

constexpr std::u16string_view kJobDuplex = u"JobDuplexAllDocumentsContiguously";
constexpr std::u16string_view kDocumentDuplex = u"DocumentDuplex";
constexpr std::u16string_view kDuplexData = u"JobDuplexData";
constexpr std::u16string_view kTraySeparation = u"TraySeparationMode";
constexpr std::u16string_view kSubData = u"DuplexModeSubData";

// The first row whose option matches decides; a two-sided row whose mode the
// DuplexMode scored property does not name passes on to the next row.
void ReadDuplexType(const PrintTicketDom& ticket, std::u16string_view option, DuplexSettings& settings) {
  for (std::size_t row = 0; row < kDuplexOptions.size(); ++row) {
    if (kDuplexOptions[row].option != option) continue;
    const auto type = static_cast<DuplexType>(row);
    if (type == DuplexType::OneSided) {
      settings.duplexType = type;
      return;
    }
    settings.duplexType = row <= 2 ? DuplexType::ShortEdge : DuplexType::LongEdge;
    settings.duplexMode = DuplexMode::None;
    Bstr mode;
    if (ticket.GetScoredPropertyText(kJobDuplex, u"DuplexMode", &mode) != S_OK) return;
    if (mode.View() == Name(kDuplexOptions[row].mode)) {
      settings.duplexType = type;
      settings.duplexMode = kDuplexOptions[row].mode;
      return;
    }
  }
}

HRESULT ReadDuplexData(const PrintTicketDom& ticket, DuplexSettings& settings) {
  const HRESULT hr = ticket.NodeExists(PrivatePropertyQuery(ticket, {kDuplexData}));
  if (IsAbsent(hr)) {
    settings.firstPaper = TraySeparation::DuplexPrintFirstPage;
    return S_OK;
  }
  if (FAILED(hr)) return hr;
  const std::optional<Bstr> tray = PrivateText(ticket, {kDuplexData, kTraySeparation});
  settings.firstPaper = tray && tray->View() == Name(TraySeparation::DuplexPrintFirstPaper)
                            ? TraySeparation::DuplexPrintFirstPaper
                            : TraySeparation::DuplexPrintFirstPage;
  const std::optional<Bstr> subMode = PrivateText(ticket, {kDuplexData, kSubData});
  if (!subMode) {
    settings.subMode = DuplexMode::None;
  } else if (const auto mode = FromName<DuplexMode>(kDuplexModeNames, subMode->View());
             mode && *mode != DuplexMode::None) {
    settings.subMode = *mode;
  }
  return S_OK;
}

}  // namespace

HRESULT ReadDuplex(const PrintTicketDom& ticket, DuplexSettings& settings) {
  return CallReturningHresult([&] {
    Bstr option;
    BOOL isPrivate = FALSE;
    const HRESULT hr = ticket.GetFeatureOption(ticket.KeywordsPrefix(), kJobDuplex, &option, &isPrivate);
    if (IsAbsent(hr)) {
      settings.scope = Scope::None;
    } else if (FAILED(hr)) {
      return hr;
    } else {
      settings.scope = Scope::Job;
      ReadDuplexType(ticket, option.View(), settings);
    }
    return ReadDuplexData(ticket, settings);
  });
}

HRESULT RemoveDuplex(PrintTicketDom& ticket) {
  return CallReturningHresult([&] {
    ThrowIfFailed(ticket.RemoveFeature(kJobDuplex));
    ThrowIfFailed(ticket.RemoveFeature(kDocumentDuplex));
    ThrowIfFailed(ticket.RemoveEveryProperty(kDuplexData));
    return S_OK;
  });
}

HRESULT WriteDuplex(PrintTicketDom& ticket, const DuplexSettings& settings) {
  if (!IsScope(settings.scope) || !Name(settings.duplexMode) || !Name(settings.duplexType) || !Name(settings.subMode))
    return E_INVALIDARG;
  return CallReturningHresult([&] {
    const ComPtr<IXMLDOMNode> root = RootForWriting(ticket);
    if (!root) return S_FALSE;
    ThrowIfFailed(RemoveDuplex(ticket));
    if (settings.scope != Scope::None) {
      ComPtr<IXMLDOMElement> feature;
      ComPtr<IXMLDOMElement> option;
      ThrowIfFailed(
          ticket.CreateFeatureWithOption(false, kJobDuplex, false, *Name(settings.duplexType), &feature, &option));
      if (settings.duplexType != DuplexType::OneSided && settings.duplexMode != DuplexMode::None) {
        ComPtr<IXMLDOMElement> mode;
        ThrowIfFailed(ticket.CreateScoredPropertyString(ticket.KeywordsPrefix(), u"DuplexMode",
                                                        *Name(settings.duplexMode), &mode));
        AppendChild(option.Get(), mode.Get());
      }
      AppendChild(root.Get(), feature.Get());
    }
    // Any value but the first page's separates the whole first paper.
    ComPtr<IXMLDOMElement> data = PrivateStringProperties(
        ticket, kDuplexData,
        {{kTraySeparation, kTraySeparationNames[settings.firstPaper != TraySeparation::DuplexPrintFirstPage ? 1 : 0]}});
    if (settings.subMode != DuplexMode::None) {
      ComPtr<IXMLDOMElement> subMode;
      ThrowIfFailed(
          ticket.CreatePropertyValue(ticket.PrivatePrefix(), kSubData, u"string", *Name(settings.subMode), &subMode));
      AppendChild(data.Get(), subMode.Get());
    }
    AppendChild(root.Get(), data.Get());
    return S_OK;
  });
}
