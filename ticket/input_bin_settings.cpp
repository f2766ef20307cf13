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

// One slot from its feature; fallback is the slot's index when the option
// carries the wrong namespace.
HRESULT ReadSlot(const PrintTicketDom& ticket, std::u16string_view prefix, std::u16string_view feature, LONG slot,
                 InputBin fallback, InputBinSettings& settings) {
  Bstr option;
  BOOL isPrivate = FALSE;
  const HRESULT hr = ticket.GetFeatureOption(prefix, feature, &option, &isPrivate);
  if (hr != S_OK) return hr;
  const auto bin = FromName<InputBin>(kInputBinOptions, option.View());
  if (!bin) return S_OK;
  const bool namespaceFits = NamespaceOf(*bin) == (isPrivate ? BinNamespace::Private : BinNamespace::Keywords);
  return SetInputBinSlot(settings, slot, namespaceFits ? *bin : fallback);
}

}  // namespace

HRESULT SetInputBinSlot(InputBinSettings& settings, LONG slot, InputBin bin) {
  if ((slot != 0 && slot != 1) || !Name(bin)) return E_FAIL;
  return CallReturningHresult([&] {
    const auto at = static_cast<std::size_t>(slot);
    settings.binName[at] = CopyToBstr(*Name(bin));
    settings.binIndex[at] = bin;
    settings.binNamespace[at] = NamespaceOf(bin);
    return S_OK;
  });
}

HRESULT ReadInputBin(const PrintTicketDom& ticket, InputBinSettings& settings) {
  return CallReturningHresult([&] {
    const HRESULT hr = ReadSlot(ticket, ticket.KeywordsPrefix(), kPageBin, 0, InputBin::AutoSelect, settings);
    if (SUCCEEDED(hr) || IsAbsent(hr))
      ReadSlot(ticket, ticket.PrivatePrefix(), kSecondBin, 1, InputBin::SameTray, settings);
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
                                  InputBin bin) {
  const std::u16string_view optionPrefix =
      NamespaceOf(bin) == BinNamespace::Private ? ticket.PrivatePrefix() : ticket.KeywordsPrefix();
  return FeatureWithNamedOption(ticket, prefix, feature, optionPrefix, *Name(bin));
}

}  // namespace

HRESULT WriteInputBin(PrintTicketDom& ticket, const InputBinSettings& settings) {
  if (!Name(settings.binIndex[0]) || !Name(settings.binIndex[1])) return E_INVALIDARG;
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
