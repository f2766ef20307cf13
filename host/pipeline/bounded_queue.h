// A fixed-capacity queue between two threads. Push blocks while it is full,
// Pop while it is empty; Close ends the stream for the reader after what is
// queued, Abort wakes both sides at once and drops what is queued, so that no
// thread stays blocked when the job stops.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>

namespace kestrel::host {

template <typename T>
class BoundedQueue {
 public:
  explicit BoundedQueue(std::size_t capacity) : capacity_(capacity == 0 ? 1 : capacity) {}

  // False when the queue was closed or aborted: the item was not taken.
  bool Push(T item) {
    std::unique_lock lock(mutex_);
    not_full_.wait(lock, [&] { return items_.size() < capacity_ || closed_ || aborted_; });
    if (closed_ || aborted_) return false;
    items_.push_back(std::move(item));
    not_empty_.notify_one();
    return true;
  }

  // The next item; nullopt at the end (closed and drained) or after Abort.
  std::optional<T> Pop() {
    std::unique_lock lock(mutex_);
    not_empty_.wait(lock, [&] { return !items_.empty() || closed_ || aborted_; });
    if (aborted_ || items_.empty()) return std::nullopt;
    T item = std::move(items_.front());
    items_.pop_front();
    not_full_.notify_one();
    return item;
  }

  void Close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    not_empty_.notify_all();
    not_full_.notify_all();
  }

  void Abort() {
    std::deque<T> dropped;
    {
      std::lock_guard lock(mutex_);
      aborted_ = true;
      dropped.swap(items_);
      not_empty_.notify_all();
      not_full_.notify_all();
    }
    // The dropped items die outside the lock: their destructors may call back.
  }

  bool Closed() const {
    std::lock_guard lock(mutex_);
    return closed_;
  }
  bool Aborted() const {
    std::lock_guard lock(mutex_);
    return aborted_;
  }

 private:
  const std::size_t capacity_;
  mutable std::mutex mutex_;
  std::condition_variable not_empty_;
  std::condition_variable not_full_;
  std::deque<T> items_;
  bool closed_ = false;
  bool aborted_ = false;
};

}  // namespace kestrel::host
