#include "host/pipeline/print_notifications.h"

#include <algorithm>

namespace kestrel::host {
namespace {

// A request holds a few hundred characters; anything near this is not one.
constexpr ULONG kMaxDataBytes = 64 * 1024;

class NotificationChannel final : public ComObject<IPrintAsyncNotifyChannel> {
 public:
  explicit NotificationChannel(std::shared_ptr<PrintNotifications::Queue> queue) : queue_(std::move(queue)) {}

  HRESULT SendNotification(IPrintAsyncNotifyDataObject* data) override {
    if (!data) return E_POINTER;
    if (Closed()) return HRESULT_FROM_WIN32(ERROR_INVALID_HANDLE);
    BYTE* bytes = nullptr;
    ULONG size = 0;
    GUID* type = nullptr;
    HRESULT hr = data->AcquireData(&bytes, &size, &type);
    if (FAILED(hr)) return hr;
    hr = Queue(bytes, size, type);
    data->ReleaseData();
    return hr;
  }

  HRESULT CloseChannel(IPrintAsyncNotifyDataObject* /*data*/) override {
    std::lock_guard lock(mutex_);
    closed_ = true;
    return S_OK;
  }

 private:
  bool Closed() const {
    std::lock_guard lock(mutex_);
    std::lock_guard queueLock(queue_->mutex);
    return closed_ || queue_->closed;
  }

  // The text up to its NUL, which must come within the data.
  HRESULT Queue(const BYTE* bytes, ULONG size, const GUID* type) {
    if (!bytes || !type || *type != kAsyncPrintUiNotificationType) return E_INVALIDARG;
    if (size == 0 || size % sizeof(char16_t) != 0 || size > kMaxDataBytes) return E_INVALIDARG;
    std::u16string text(size / sizeof(char16_t), u'\0');
    std::copy_n(bytes, size, reinterpret_cast<BYTE*>(text.data()));
    const std::size_t end = text.find(u'\0');
    if (end == std::u16string::npos || end == 0) return E_INVALIDARG;
    text.resize(end);
    std::lock_guard lock(queue_->mutex);
    if (queue_->closed) return HRESULT_FROM_WIN32(ERROR_INVALID_HANDLE);
    queue_->requests.push_back(std::move(text));
    return S_OK;
  }

  const std::shared_ptr<PrintNotifications::Queue> queue_;
  mutable std::mutex mutex_;
  bool closed_ = false;
};

}  // namespace

HRESULT PrintNotifications::CreatePrintAsyncNotifyChannel(DWORD /*jobId*/, GUID* notificationType,
                                                          PrintAsyncNotifyUserFilter userFilter,
                                                          PrintAsyncNotifyConversationStyle /*style*/,
                                                          IPrintAsyncNotifyCallback* /*callback*/,
                                                          IPrintAsyncNotifyChannel** channel) {
  if (!channel) return E_POINTER;
  *channel = nullptr;
  if (!notificationType || *notificationType != kAsyncPrintUiNotificationType || userFilter != kPerUser)
    return E_INVALIDARG;
  {
    std::lock_guard lock(queue_->mutex);
    if (queue_->closed) return HRESULT_FROM_WIN32(ERROR_INVALID_HANDLE);
  }
  ComPtr<IPrintAsyncNotifyChannel> made = MakeComObject<NotificationChannel, IPrintAsyncNotifyChannel>(queue_);
  if (!made) return E_OUTOFMEMORY;
  *channel = made.Detach();
  return S_OK;
}

void PrintNotifications::Close() {
  std::lock_guard lock(queue_->mutex);
  queue_->closed = true;
}

std::vector<std::u16string> PrintNotifications::Requests() const {
  std::lock_guard lock(queue_->mutex);
  return queue_->requests;
}

}  // namespace kestrel::host
