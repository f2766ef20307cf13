// The checked formatter against the C library's snprintf on a path-data format, the
// most frequent formatting of page rewriting. "ratio" is time per call over snprintf's.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>

#include "platform/format.h"

namespace {

constexpr char kPath[] = "M %.2f,%.2f L %.2f,%.2f L %.2f,%.2f L %.2f,%.2f Z";

double SnprintfOnce(double x) {
  char text[128];
  const int n = std::snprintf(text, sizeof text, kPath, x, 0.0, x + 10, 0.0, x + 10, 20.0, x, 20.0);
  benchmark::DoNotOptimize(text);
  return n;
}

double FormatNarrowOnce(double x) {
  const auto r = FormatNarrow(kPath, x, 0.0, x + 10, 0.0, x + 10, 20.0, x, 20.0);
  benchmark::DoNotOptimize(r.text.data());
  return static_cast<double>(r.text.size());
}

double FormatWideOnce(double x) {
  const auto r = FormatWide(u"M %.2f,%.2f L %.2f,%.2f L %.2f,%.2f L %.2f,%.2f Z", x, 0.0, x + 10, 0.0, x + 10, 20.0,
                            x, 20.0);
  benchmark::DoNotOptimize(r.text.data());
  return static_cast<double>(r.text.size());
}

template <double (*Once)(double)>
double NanosecondsPerCall(int calls) {
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < calls; ++i) benchmark::DoNotOptimize(Once(i * 0.25));
  const std::chrono::duration<double, std::nano> spent = std::chrono::steady_clock::now() - start;
  return spent.count() / calls;
}

template <double (*Once)(double)>
void Run(benchmark::State& state) {
  constexpr int kCalls = 20000;
  double ours = 0, baseline = 0;
  for (auto _ : state) {
    baseline += NanosecondsPerCall<SnprintfOnce>(kCalls);
    ours += NanosecondsPerCall<Once>(kCalls);
  }
  state.counters["ratio"] = ours / baseline;
}

BENCHMARK(Run<FormatNarrowOnce>)->Name("FormatNarrow/path")->Unit(benchmark::kMillisecond);
BENCHMARK(Run<FormatWideOnce>)->Name("FormatWide/path")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
