#include "ticket/mirror_settings.h"

#include "ticket/hresult_error.h"
#include "ticket/settings_support.h"

namespace {

constexpr std::u16string_view kMirror = u"PageMirrorImage";
constexpr std::u16string_view kReverse = u"PageReverseImage";

}  // namespace

HRESULT ReadMirror(const PrintTicketDom& ticket, MirrorSettings& settings) {
  return CallReturningHresult([&] {
    Bstr option;
    BOOL isPrivate = FALSE;
    HRESULT hr = ticket.GetFeatureOption(ticket.KeywordsPrefix(), kMirror, &option, &isPrivate);
    if (FAILED(hr) && !IsAbsent(hr)) return hr;
    if (hr == S_OK) {
      if (const auto mirror = FromName<Mirror>(kMirrorOptions, option.View())) settings.mirror = *mirror;
    }
    hr = ticket.GetFeatureOption(ticket.PrivatePrefix(), kReverse, &option, &isPrivate);
    if (hr == S_OK && isPrivate) {
      if (const auto reverse = FromName<OffOn>(kOffOnNames, option.View())) settings.reverse = *reverse;
    }
    return IsAbsent(hr) ? S_OK : hr;
  });
}

HRESULT WriteMirror(PrintTicketDom& ticket, const MirrorSettings& settings) {
  if (!Name(settings.mirror) || !Name(settings.reverse)) return E_INVALIDARG;
  return CallReturningHresult([&] {
    const ComPtr<IXMLDOMNode> root = RootForWriting(ticket);
    if (!root) return S_FALSE;
    ThrowIfFailed(ticket.RemoveFeature(kMirror));
    ThrowIfFailed(ticket.RemovePrivateFeature(kReverse));
    ComPtr<IXMLDOMElement> mirror;
    ComPtr<IXMLDOMElement> reverse;
    ThrowIfFailed(ticket.CreateFeatureWithOption(false, kMirror, false, *Name(settings.mirror), &mirror, nullptr));
    AppendChild(root.Get(), mirror.Get());
    ThrowIfFailed(ticket.CreateFeatureWithOption(true, kReverse, true, *Name(settings.reverse), &reverse, nullptr));
    AppendChild(root.Get(), reverse.Get());
    return S_OK;
  });
}
