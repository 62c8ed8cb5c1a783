// Timing for the host benchmarks: processor time of the calling thread.
#pragma once
#include <algorithm>
#include <ctime>

// Processor time of this thread: the machine may be shared, and waiting for a processor is
// no part of either decoder's cost.
inline double CpuSeconds() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return t.tv_sec + t.tv_nsec / 1e9;
}

// The best of five timed runs of f, after one untimed run to warm up.
template <typename F>
double BestSeconds(F f) {
  f();
  double best = 1e9;
  for (int round = 0; round < 5; ++round) {
    double start = CpuSeconds();
    f();
    best = std::min(best, CpuSeconds() - start);
  }
  return best;
}
