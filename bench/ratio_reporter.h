// A console reporter that also prints each benchmark's time per iteration as a
// ratio against a baseline benchmark measured in the same run.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  // unit names one iteration ("page", "call") in the summary lines.
  RatioReporter(std::string baseline, std::string unit) : baseline_(std::move(baseline)), unit_(std::move(unit)) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs)
      if (r.iterations > 0 && !r.error_occurred)
        seconds_[r.benchmark_name()] = r.real_accumulated_time / static_cast<double>(r.iterations);
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    const auto baseline = seconds_.find(baseline_);
    if (baseline == seconds_.end() || baseline->second <= 0) return;
    for (const auto& [name, seconds] : seconds_)
      std::printf("%s: %.1f us per %s (%.0f ms for 1,000), %.2f x the baseline\n", name.c_str(), seconds * 1e6,
                  unit_.c_str(), seconds * 1e6, seconds / baseline->second);
  }

 private:
  std::string baseline_;
  std::string unit_;
  std::map<std::string, double> seconds_;
};

// The main of a benchmark program that reports ratios against `baseline`.
inline int RunWithRatios(int argc, char** argv, const char* baseline, const char* unit) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter(baseline, unit);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
