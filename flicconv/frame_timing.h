// Time spent in each part of the write loop, for the converter benchmark only. Compiled in by
// XQV_FRAME_TIMING (the flicconv_timed build); the program users get measures nothing and
// writes nothing of it.
#pragma once

#ifdef XQV_FRAME_TIMING
#include <windows.h>

enum FramePhase { PHASE_PUMP, PHASE_TITLE, PHASE_STEP, PHASE_PAINT, PHASE_WRITE, PHASE_COUNT };

// Adds the time from its making to its end to one phase's total.
class PhaseTimer {
 public:
  explicit PhaseTimer(FramePhase phase);
  ~PhaseTimer();
  PhaseTimer(const PhaseTimer&) = delete;
  PhaseTimer& operator=(const PhaseTimer&) = delete;

 private:
  FramePhase phase_;
  LARGE_INTEGER start_;
};

// Appends the totals of the frames written to the file named by XQV_FRAME_TIMES, one line a
// phase: "<phase> <milliseconds> <frames>"; then starts the totals again.
void ReportFramePhases(int frames);

#define FRAME_PHASE(phase) PhaseTimer frame_phase_timer(phase)
#else
#define FRAME_PHASE(phase) ((void)0)
inline void ReportFramePhases(int) {}
#endif
