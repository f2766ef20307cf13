// The thread a job sends its pages' raster on: one page's work at a time,
// on the same thread from page to page (so the memory the work takes and
// gives back stays in one place instead of spreading over a thread a page).
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class PageThread {
 public:
  PageThread() = default;
  // Waits for the work in hand, then ends the thread.
  ~PageThread();
  PageThread(const PageThread&) = delete;
  PageThread& operator=(const PageThread&) = delete;

  // Hands work to the thread (made on first use) once the work before is
  // done; runs it here when no thread can be had.
  void Start(std::function<bool()> work);
  // Waits for the work handed over last; its result, true when there was none.
  bool Wait();

 private:
  void Run();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::function<bool()> work_;  // waiting to run
  bool busy_ = false;           // work handed over and not yet done
  bool result_ = true;
  bool stopping_ = false;
  std::thread thread_;
};
