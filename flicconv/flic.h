// The converter's movie: the loaded flic's state, the chunk decoders and the frame walk.
// Everything here compiles natively too (host tests, fuzzing, benchmarks); the window,
// message box and AVI code that uses it lives in converter.h.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "byte_reader.h"
#include "platform.h"

enum {
  FLIC_HEADER_BYTES = 128,
  FRAME_HEADER_BYTES = 16,
  CHUNK_HEADER_BYTES = 6,
  FLI_FILE_MAGIC = 0xAF11,
  FLC_FILE_MAGIC = 0xAF12,
  FRAME_MAGIC = 0xF1FA,
  FLI_BYTE_RUN_LINES = 200,  // an FLI byte-run chunk always describes 200 lines
  FRAME_TABLE_BYTES = 40 + 256 * 4,
};

enum ChunkType {
  CHUNK_COLOR_256 = 4,
  CHUNK_DELTA_FLC = 7,
  CHUNK_COLOR_64 = 11,
  CHUNK_DELTA_FLI = 12,
  CHUNK_BYTE_RUN = 15,
  CHUNK_LITERAL = 16,
};

// ---- movie state ----
extern int g_isFlc;                          // the loaded file is FLC (1) or FLI (0)
extern BYTE g_flcHeader[FLIC_HEADER_BYTES];  // headers as read, one per type
extern BYTE g_fliHeader[FLIC_HEADER_BYTES];
extern FILE* g_flicFile;                     // open at the next frame after a load
extern int g_width, g_height, g_pitch;       // pitch: width rounded up to 4
extern BYTE g_red[256], g_green[256], g_blue[256];  // never cleared between files
extern BITMAPINFOHEADER* g_frameDib;         // the frame buffer (8 bits, 256 colours)
extern BYTE* g_frameBits;                    // its pixel rows, bottom row first
extern HPALETTE g_hPalette;
extern DWORD g_frame2Offset;                 // file position of frame 2
extern int g_frameIndex;                     // frames stepped since the load
extern int g_frameCount;                     // frames field of the loaded header
extern int g_movieLoaded;
extern int g_writeRequested;                 // the user started Write AVI

// ---- chunk decoders ----
// Each is given the chunk's data (just after its 6-byte header), readable up to the end of
// the frame body, and writes only inside the frame buffer's g_pitch x g_height rows; data
// that would run past the body ends the chunk where it stands. Each returns 1.
int DecodeFlcColor(ByteReader& data, int type);
int DecodeFliColor(ByteReader& data);
int DecodeFlcByteRun(ByteReader& data);
int DecodeFliByteRun(ByteReader& data);
int CopyLiteralFrame(ByteReader& data);
int DecodeDeltaFlc(ByteReader& data);
int DecodeDeltaFli(ByteReader& data);

// ---- loading ----
enum FlicLoadResult { FLIC_LOADED, FLIC_NOT_VALID, FLIC_NO_MEMORY, FLIC_READ_ERROR };

// A path (already upper-cased) names an FLI file when ".FLI" occurs anywhere in it.
int PathIsFli(const char* upperPath);
// Opens the file into g_flicFile, checks the header, sets the geometry and reads frame 1
// (check mode: only its first colour chunk is applied). 1 on success, 0 on failure; on
// failure the file may still be open for the caller to close.
int OpenFlcFile(const char* path, int checkOnly);
int OpenFliFile(const char* path, int checkOnly);
int ReadFirstFlcFrame(FILE* file, const BYTE* header, int checkOnly);
int ReadFirstFliFrame(FILE* file, const BYTE* header, int checkOnly);
// The load after the type has been chosen (g_isFlc): check pass, frame buffer, colour table
// and palette, decode pass. On success the file is open at frame 2 and g_movieLoaded is set;
// on failure no movie is left.
FlicLoadResult LoadFlicMovie(const char* upperPath);
// Releases the loaded movie; safe when nothing is loaded.
void FreeMovie();

// ---- stepping ----
enum FrameStepResult {
  STEP_DONE,
  STEP_NO_FILE,      // no flic file open
  STEP_NO_HEADER,    // the frame header could not be read
  STEP_BAD_MAGIC,    // the frame header's magic is wrong
  STEP_NO_BODY,      // no memory for the body, or the body is cut short
};
// Reads the next frame and applies its delta and literal chunks; after the ring frame the
// walk goes back to frame 2.
FrameStepResult StepFlicFrame(int isFlc);

// ---- names ----
// Appends the extension when the name holds no "." anywhere (folders included).
// The extension is left off when it would not fit the buffer.
void AppendExtensionIfNone(char* name, size_t bufferBytes, const char* extension);
