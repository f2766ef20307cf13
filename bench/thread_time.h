// Times each benchmark iteration by the thread's CPU time, reported as the
// benchmark's manual time (register with ->UseManualTime()): on a machine
// shared with other work, wall time mostly measures the wait for a core.
#pragma once

#include <benchmark/benchmark.h>

#include <ctime>

inline double ThreadCpuSeconds() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

template <typename Body>
void TimeByThreadCpu(benchmark::State& state, Body&& body) {
  for (auto _ : state) {
    const double start = ThreadCpuSeconds();
    body();
    state.SetIterationTime(ThreadCpuSeconds() - start);
  }
}
