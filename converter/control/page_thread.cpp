#include "converter/control/page_thread.h"

#include <system_error>
#include <utility>

PageThread::~PageThread() {
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
    stopping_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void PageThread::Start(std::function<bool()> work) {
  Wait();
  if (!thread_.joinable()) {
    try {
      thread_ = std::thread(&PageThread::Run, this);
    } catch (const std::system_error&) {
      result_ = work();
      return;
    }
  }
  {
    std::lock_guard lock(mutex_);
    work_ = std::move(work);
    busy_ = true;
  }
  changed_.notify_all();
}

bool PageThread::Wait() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !busy_; });
  return std::exchange(result_, true);
}

void PageThread::Run() {
  std::unique_lock lock(mutex_);
  while (true) {
    changed_.wait(lock, [this] { return stopping_ || work_; });
    if (!work_) return;
    std::function<bool()> work = std::move(work_);
    work_ = nullptr;
    lock.unlock();
    const bool result = work();
    lock.lock();
    result_ = result;
    busy_ = false;
    changed_.notify_all();
  }
}
