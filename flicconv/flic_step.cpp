// Stepping the loaded flic one frame on: the next frame's literal and delta chunks are
// applied to the frame buffer in place; after the ring frame the walk returns to frame 2.
#include "flic.h"
#include "flic_frame.h"

static int ApplyLaterFrameChunk(int type, ByteReader& data, void* context) {
  int isFlc = *static_cast<const int*>(context);
  switch (type) {
    case CHUNK_DELTA_FLC: return isFlc ? DecodeDeltaFlc(data) : 1;
    case CHUNK_DELTA_FLI: return DecodeDeltaFli(data);
    case CHUNK_LITERAL: return CopyLiteralFrame(data);
    default: return 1;  // colour and byte-run chunks only count in frame 1
  }
}

FrameStepResult StepFlicFrame(int isFlc) {
  ++g_frameIndex;
  if (FrameCountOf(isFlc ? g_flcHeader : g_fliHeader) < g_frameIndex) {
    // The ring frame has been applied: the animation goes on with frame 2.
    if (g_flicFile) std::fseek(g_flicFile, static_cast<long>(g_frame2Offset), SEEK_SET);
    g_frameIndex = 1;
  }
  if (!g_flicFile) return STEP_NO_FILE;
  FrameBody frame;
  switch (ReadFrame(g_flicFile, &frame)) {
    case READ_DONE: break;
    case READ_NO_HEADER: return STEP_NO_HEADER;
    case READ_BAD_MAGIC: return STEP_BAD_MAGIC;
    case READ_NO_BODY: return STEP_NO_BODY;
  }
  WalkChunks(frame, ApplyLaterFrameChunk, &isFlc);
  return STEP_DONE;
}
