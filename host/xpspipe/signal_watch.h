// SIGINT and SIGTERM stop a job like a failure: every thread of the job runs
// with them blocked, and one thread waits for them. SIGUSR1 ends that thread
// once the job is over. Made before the job's threads, so they inherit the mask.
#pragma once

#include <pthread.h>

#include <atomic>
#include <csignal>
#include <thread>

#include "host/pipeline/pipeline_job.h"

namespace kestrel::xpspipe {

class SignalWatch {
 public:
  explicit SignalWatch(host::PipelineJob& job) {
    sigemptyset(&set_);
    sigaddset(&set_, SIGINT);
    sigaddset(&set_, SIGTERM);
    sigaddset(&set_, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &set_, nullptr);
    thread_ = std::thread([this, &job] {
      int signal = 0;
      while (sigwait(&set_, &signal) == 0 && signal != SIGUSR1) {
        received_ = signal;
        job.Cancel(signal == SIGINT ? "SIGINT" : "SIGTERM");
      }
    });
  }
  ~SignalWatch() {
    pthread_kill(thread_.native_handle(), SIGUSR1);
    thread_.join();
  }
  SignalWatch(const SignalWatch&) = delete;
  SignalWatch& operator=(const SignalWatch&) = delete;
  int Received() const { return received_; }

 private:
  sigset_t set_;
  std::thread thread_;
  std::atomic<int> received_{0};
};

}  // namespace kestrel::xpspipe
