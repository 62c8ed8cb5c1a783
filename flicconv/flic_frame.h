// The frame reader and chunk walk shared by loading (frame 1) and stepping (later frames).
#pragma once
#include "flic.h"

// One frame's body (the frame minus its 16-byte header), read whole into one local block.
struct FrameBody {
  BYTE* bytes = nullptr;
  size_t size = 0;
  int chunks = 0;  // the header's signed chunk count
  FrameBody() = default;
  FrameBody(const FrameBody&) = delete;
  FrameBody& operator=(const FrameBody&) = delete;
  ~FrameBody();
};

enum ReadFrameResult { READ_DONE, READ_NO_HEADER, READ_BAD_MAGIC, READ_NO_BODY };

// Reads the frame at the file's position: header, magic, and a body the file can hold.
ReadFrameResult ReadFrame(FILE* file, FrameBody* frame);

// Called for each chunk in file order with its type and data; returns 1 to go on, -1 to
// end the walk there, 0 when a decoder failed.
typedef int (*ChunkVisitor)(int type, ByteReader& data, void* context);
// Walks the body's chunks; a chunk header that does not fit, or a chunk size below 6, ends
// the walk. Returns 0 when a visit failed, else 1.
int WalkChunks(const FrameBody& frame, ChunkVisitor visit, void* context);

// The frames field of a loaded header.
int FrameCountOf(const BYTE* header);
