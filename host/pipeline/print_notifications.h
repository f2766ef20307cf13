// The asynchronous print notifications of one job, as the host answers them:
// the print class factory hands the filters this object; each channel a
// filter opens takes requests for the asynchronous print UI and queues them,
// in order, for the print UI host that acts on them after the job. Close at
// the job's end closes every channel: later sends are refused.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/async_notify.h"
#include "platform/com_object.h"

namespace kestrel::host {

class PrintNotifications final : public ComObject<IPrintAsyncNotify> {
 public:
  // Only the asynchronous print UI's notification type, per user: E_INVALIDARG otherwise.
  HRESULT CreatePrintAsyncNotifyChannel(DWORD jobId, GUID* notificationType, PrintAsyncNotifyUserFilter userFilter,
                                        PrintAsyncNotifyConversationStyle style, IPrintAsyncNotifyCallback* callback,
                                        IPrintAsyncNotifyChannel** channel) override;

  void Close();
  // The requests received, in order (UTF-16 text without the NUL).
  std::vector<std::u16string> Requests() const;

  // The queue every channel of the job writes to.
  struct Queue {
    mutable std::mutex mutex;
    bool closed = false;
    std::vector<std::u16string> requests;
  };

 private:
  const std::shared_ptr<Queue> queue_ = std::make_shared<Queue>();
};

}  // namespace kestrel::host
