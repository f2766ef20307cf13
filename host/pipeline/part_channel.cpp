#include "host/pipeline/part_channel.h"

namespace kestrel::host {

HRESULT PartChannel::Send(ComPtr<IUnknown> part) {
  if (queue_.Aborted()) return kJobStopped;
  if (sender_closed_) return E_UNEXPECTED;
  if (queue_.Push(std::move(part))) return S_OK;
  return queue_.Aborted() ? kJobStopped : E_UNEXPECTED;
}

HRESULT PartChannel::Receive(ComPtr<IUnknown>& part) {
  part = nullptr;
  if (std::optional<ComPtr<IUnknown>> next = queue_.Pop()) {
    part = std::move(*next);
    return S_OK;
  }
  return queue_.Aborted() ? kJobStopped : S_OK;
}

bool PartChannel::CloseSender() {
  if (sender_closed_.exchange(true)) return false;
  queue_.Close();
  return true;
}

}  // namespace kestrel::host
