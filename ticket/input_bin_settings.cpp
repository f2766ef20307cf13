#include "ticket/input_bin_settings.h"

#include "ticket/hresult_error.h"
#include "ticket/settings_support.h"
#include "ticket/ticket_text.h"

namespace {

constexpr std::u16string_view kPageBin = u"PageInputBin";
constexpr std::u16string_view kSecondBin = u"JobInput2ndBin";
constexpr std::u16string_view kBinData = u"PageInputBinData";
constexpr std::u16string_view kSecondBinData = u"SecondBinData";
constexpr std::u16string_view kInvalidSecondBin = u"InvalidSecondBinData";

bool IsBinIndex(LONG index) { return index >= 0 && index < static_cast<LONG>(kInputBinOptions.size()); }

// One slot from its feature; fallback is the slot's index when the option
// carries the wrong namespace.
HRESULT ReadSlot(const PrintTicketDom& ticket, std::u16string_view prefix, std::u16string_view feature, LONG slot,
                 LONG fallback, InputBinSettings& settings) {
  Bstr option;
  BOOL isPrivate = FALSE;
  const HRESULT hr = ticket.GetFeatureOption(prefix, feature, &option, &isPrivate);
  if (hr != S_OK) return hr;
  const auto index = IndexIn(kInputBinOptions, option.View());
  if (!index) return S_OK;
  const bool namespaceFits = kInputBinNamespaces[static_cast<std::size_t>(*index)] == (isPrivate ? 1 : 0);
  return SetInputBinSlot(settings, slot, namespaceFits ? *index : fallback);
}

}  // namespace

HRESULT SetInputBinSlot(InputBinSettings& settings, LONG slot, LONG index) {
  if ((slot != 0 && slot != 1) || !IsBinIndex(index)) return E_FAIL;
  return CallReturningHresult([&] {
    const auto at = static_cast<std::size_t>(slot);
    const auto row = static_cast<std::size_t>(index);
    settings.binName[at] = CopyToBstr(kInputBinOptions[row]);
    settings.binIndex[at] = index;
    settings.binNamespace[at] = kInputBinNamespaces[row];
    return S_OK;
  });
}

HRESULT ReadInputBin(const PrintTicketDom& ticket, InputBinSettings& settings) {
  return CallReturningHresult([&] {
    const HRESULT hr = ReadSlot(ticket, ticket.KeywordsPrefix(), kPageBin, 0, 0, settings);
    if (SUCCEEDED(hr) || IsAbsent(hr)) ReadSlot(ticket, ticket.PrivatePrefix(), kSecondBin, 1, 1, settings);
    Bstr text;
    const HRESULT data = ticket.GetValue(PrivatePropertyQuery(ticket, {kBinData, kSecondBinData}), &text);
    if (FAILED(data) && !IsAbsent(data)) return data;
    settings.secondBinInvalid = data == S_OK && text.View() == kInvalidSecondBin ? 1 : 0;
    return S_OK;
  });
}

HRESULT RemoveInputBin(PrintTicketDom& ticket) {
  return CallReturningHresult([&] {
    ThrowIfFailed(ticket.RemoveFeature(kPageBin));
    ThrowIfFailed(ticket.RemovePrivateFeature(kSecondBin));
    ThrowIfFailed(ticket.RemoveEveryProperty(kBinData));
    return S_OK;
  });
}

namespace {

ComPtr<IXMLDOMElement> BinFeature(PrintTicketDom& ticket, std::u16string_view prefix, std::u16string_view feature,
                                  LONG index) {
  const auto row = static_cast<std::size_t>(index);
  const std::u16string_view optionPrefix =
      kInputBinNamespaces[row] == 1 ? ticket.PrivatePrefix() : ticket.KeywordsPrefix();
  return FeatureWithNamedOption(ticket, prefix, feature, optionPrefix, kInputBinOptions[row]);
}

}  // namespace

HRESULT WriteInputBin(PrintTicketDom& ticket, const InputBinSettings& settings) {
  if (!IsBinIndex(settings.binIndex[0]) || !IsBinIndex(settings.binIndex[1])) return E_INVALIDARG;
  return CallReturningHresult([&] {
    const ComPtr<IXMLDOMNode> root = RootForWriting(ticket);
    if (!root) return S_FALSE;
    ThrowIfFailed(RemoveInputBin(ticket));
    AppendChild(root.Get(), BinFeature(ticket, ticket.KeywordsPrefix(), kPageBin, settings.binIndex[0]).Get());
    AppendChild(root.Get(), BinFeature(ticket, ticket.PrivatePrefix(), kSecondBin, settings.binIndex[1]).Get());
    if (settings.secondBinInvalid == 1)
      AppendChild(root.Get(),
                  PrivateStringProperties(ticket, kBinData, {{kSecondBinData, kInvalidSecondBin}}).Get());
    return S_OK;
  });
}
