// What a job has to tell its user besides success or failure: the first
// problem found in the input or output (a damaged part, a refused name), and
// warnings. Filled from every thread of the job.
#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace kestrel::host {

class JobReport {
 public:
  // Keeps the first problem only: later ones are mostly its consequences.
  void Problem(std::string message) {
    std::lock_guard lock(mutex_);
    if (!problem_) problem_ = std::move(message);
  }
  void Warning(std::string message) {
    std::lock_guard lock(mutex_);
    warnings_.push_back(std::move(message));
  }
  std::optional<std::string> FirstProblem() const {
    std::lock_guard lock(mutex_);
    return problem_;
  }
  std::vector<std::string> Warnings() const {
    std::lock_guard lock(mutex_);
    return warnings_;
  }

 private:
  mutable std::mutex mutex_;
  std::optional<std::string> problem_;
  std::vector<std::string> warnings_;
};

}  // namespace kestrel::host
