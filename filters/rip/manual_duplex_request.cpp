#include "filters/rip/manual_duplex_request.h"

#include <algorithm>

#include "platform/xml_escape.h"

namespace {

constexpr std::u16string_view kHead = u"<?xml version=\"1.0\" ?><asyncPrintUIRequest xmlns=\"";
constexpr std::u16string_view kPrivateNamespace =
    u"\" xmlns:myco=\"http://schemas.kestrel.example/2026/manual-duplex\">";
constexpr std::u16string_view kOpen =
    u"<v1><requestOpen><customUI dll=\"xripflt.DLL\" entrypoint=\"StartManualDuplex\" bidi=\"false\">";
constexpr std::u16string_view kClose = u"</customUI></requestOpen></v1></asyncPrintUIRequest>";

}  // namespace

std::optional<std::u16string> ManualDuplexRequest(std::u16string_view argument) {
  std::u16string request(kHead);
  request += kAsyncPrintUiRequestNamespace;
  request += kPrivateNamespace;
  request += kOpen;
  AppendEscapedXml(request, argument);
  request += kClose;
  if (request.size() > kManualDuplexRequestChars) return std::nullopt;
  return request;
}

NotificationData::NotificationData(std::u16string_view request) {
  if (request.size() > kManualDuplexRequestChars) {
    status_ = E_INVALIDARG;
    return;
  }
  std::copy(request.begin(), request.end(), buffer_);
  status_ = S_OK;
}

HRESULT NotificationData::AcquireData(BYTE** data, ULONG* size, GUID** type) {
  if (FAILED(status_)) return status_;
  if (!data || !size || !type) return E_INVALIDARG;
  *data = reinterpret_cast<BYTE*>(buffer_);
  *size = kSize;
  *type = &type_;
  AddRef();
  return S_OK;
}

HRESULT NotificationData::ReleaseData() {
  const HRESULT status = status_;  // Release may end the object
  Release();
  return status;
}
