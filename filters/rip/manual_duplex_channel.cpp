#include "filters/rip/manual_duplex_channel.h"

#include "filters/rip/manual_duplex_request.h"
#include "platform/system_info.h"

namespace {

bool VersionSixOrLater() {
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof version;
  return GetVersionExW(&version) && version.dwMajorVersion > 5;
}

}  // namespace

HRESULT ManualDuplexChannel::Open(IPrintClassObjectFactory* factory, LPCWSTR printerName, DWORD jobId) {
  Release();
  if (!VersionSixOrLater() || !factory) return S_OK;
  const ComPtr<IPrintAsyncNotifyCallback> callback = MakeComObject<NotifyCallback, IPrintAsyncNotifyCallback>();
  if (!callback) return E_OUTOFMEMORY;
  HRESULT hr = factory->GetPrintClassObject(printerName, IID_IPrintAsyncNotify, notify_.PutVoid());
  if (FAILED(hr)) return hr;
  if (!notify_) return E_POINTER;
  GUID type = kAsyncPrintUiNotificationType;
  hr = notify_->CreatePrintAsyncNotifyChannel(jobId, &type, kPerUser, kBiDirectional, callback.Get(),
                                               channel_.Put());
  if (FAILED(hr)) return hr;
  return channel_ ? S_OK : E_POINTER;
}

HRESULT ManualDuplexChannel::Send(std::u16string_view argument) {
  if (!channel_) return E_POINTER;
  const std::optional<std::u16string> request = ManualDuplexRequest(argument);
  if (!request) return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
  const ComPtr<NotificationData> data = MakeComObject<NotificationData>(*request);
  if (!data) return E_OUTOFMEMORY;
  return channel_->SendNotification(data.Get());
}

void ManualDuplexChannel::Release() {
  channel_ = nullptr;
  notify_ = nullptr;
}
