// What the rip filter sends to the print UI host at the end of a job that left
// back sides to print by hand: the request (XML naming this library, its
// export StartManualDuplex and the argument text) inside the data object the
// notification channel carries, and the callback the channel is opened with.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/async_notify.h"
#include "platform/com_object.h"

inline constexpr std::size_t kManualDuplexRequestChars = 1023;

// The request with the argument escaped; nullopt when it would be longer than
// kManualDuplexRequestChars (a cut request would be malformed).
std::optional<std::u16string> ManualDuplexRequest(std::u16string_view argument);

// The request in a zero-filled buffer of 1024 wide characters (2048 bytes),
// typed as an asynchronous print UI request.
class NotificationData final : public ComObject<IPrintAsyncNotifyDataObject> {
 public:
  // request: at most kManualDuplexRequestChars characters (else the data fails with E_INVALIDARG).
  explicit NotificationData(std::u16string_view request);

  // E_INVALIDARG for a NULL argument; the status while it is a failure.
  HRESULT AcquireData(BYTE** data, ULONG* size, GUID** type) override;
  HRESULT ReleaseData() override;

  static constexpr ULONG kSize = 2048;

 private:
  HRESULT status_ = E_FAIL;
  char16_t buffer_[kSize / sizeof(char16_t)] = {};
  GUID type_ = kAsyncPrintUiNotificationType;
};

// The sender wants nothing back.
class NotifyCallback final : public ComObject<IPrintAsyncNotifyCallback> {
 public:
  HRESULT OnEventNotify(IPrintAsyncNotifyChannel*, IPrintAsyncNotifyDataObject*) override { return S_OK; }
  HRESULT ChannelClosed(IPrintAsyncNotifyChannel*, IPrintAsyncNotifyDataObject*) override { return S_OK; }
};
