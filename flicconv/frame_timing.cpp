#include "frame_timing.h"

#ifdef XQV_FRAME_TIMING
#include <cstdio>
#include <cstdlib>

static LONGLONG g_phaseTicks[PHASE_COUNT];

PhaseTimer::PhaseTimer(FramePhase phase) : phase_(phase) { QueryPerformanceCounter(&start_); }

PhaseTimer::~PhaseTimer() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  g_phaseTicks[phase_] += now.QuadPart - start_.QuadPart;
}

void ReportFramePhases(int frames) {
  static const char* const kNames[PHASE_COUNT] = {"pump", "title", "step", "paint", "write"};
  const char* path = std::getenv("XQV_FRAME_TIMES");
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  if (FILE* out = path ? std::fopen(path, "a") : nullptr) {
    for (int i = 0; i < PHASE_COUNT; ++i)
      std::fprintf(out, "%s %.3f %d\n", kNames[i],
                   double(g_phaseTicks[i]) * 1000.0 / double(frequency.QuadPart), frames);
    std::fclose(out);
  }
  for (LONGLONG& ticks : g_phaseTicks) ticks = 0;
}
#endif
