// The link between two consecutive filters: what one filter's consumer sends,
// the next filter's provider hands out, in order, through a bounded queue.
#pragma once

#include <atomic>
#include <cstddef>

#include "host/pipeline/bounded_queue.h"
#include "platform/unknown.h"

namespace kestrel::host {

// The result of a send or receive once the job has been stopped.
inline constexpr HRESULT kJobStopped = HRESULT_FROM_WIN32(ERROR_CANCELLED);

class PartChannel {
 public:
  explicit PartChannel(std::size_t capacity) : queue_(capacity) {}

  // Blocks while the queue is full. E_UNEXPECTED after CloseSender,
  // kJobStopped once the job has been stopped.
  HRESULT Send(ComPtr<IUnknown> part);
  // The next part; S_OK with an empty pointer when the sender has closed and
  // everything sent was taken; kJobStopped once the job has been stopped.
  HRESULT Receive(ComPtr<IUnknown>& part);
  // False when the sender had already closed.
  bool CloseSender();
  // Wakes both sides for good and drops what is queued.
  void Abort() { queue_.Abort(); }

 private:
  BoundedQueue<ComPtr<IUnknown>> queue_;
  std::atomic<bool> sender_closed_{false};
};

}  // namespace kestrel::host
