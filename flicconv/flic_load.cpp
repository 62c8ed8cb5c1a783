// Loading a flic: the header check, frame 1 read whole into one block and walked chunk by
// chunk, the frame buffer with its colour table and palette, and the release of the movie.
// The frame walk and the frame reader are shared with stepping (flic_step.cpp).
#include <cstring>

#include "checked_size.h"
#include "dib.h"
#include "flic.h"
#include "flic_frame.h"

int g_isFlc;
BYTE g_flcHeader[FLIC_HEADER_BYTES];
BYTE g_fliHeader[FLIC_HEADER_BYTES];
FILE* g_flicFile;
int g_width, g_height, g_pitch;
BYTE g_red[256], g_green[256], g_blue[256];
BITMAPINFOHEADER* g_frameDib;
BYTE* g_frameBits;
HPALETTE g_hPalette;
DWORD g_frame2Offset;
int g_frameIndex;
int g_frameCount;
int g_movieLoaded;
int g_writeRequested;

static long g_flicFileBytes;  // size of g_flicFile, for frame sizes the file cannot hold

static uint16_t HeaderWord(const BYTE* header, int offset) {
  return static_cast<uint16_t>(header[offset] | header[offset + 1] << 8);
}

static uint32_t HeaderLong(const BYTE* header, int offset) {
  return uint32_t(header[offset]) | uint32_t(header[offset + 1]) << 8 |
         uint32_t(header[offset + 2]) << 16 | uint32_t(header[offset + 3]) << 24;
}

int FrameCountOf(const BYTE* header) { return HeaderWord(header, 6); }

ReadFrameResult ReadFrame(FILE* file, FrameBody* frame) {
  BYTE header[FRAME_HEADER_BYTES];
  if (std::fread(header, 1, sizeof header, file) != sizeof header) return READ_NO_HEADER;
  if (HeaderWord(header, 4) != FRAME_MAGIC) return READ_BAD_MAGIC;
  uint32_t frameSize = HeaderLong(header, 0);
  long here = std::ftell(file);
  long left = here < 0 ? -1 : g_flicFileBytes - here;
  if (frameSize < FRAME_HEADER_BYTES || left < 0 ||
      frameSize - FRAME_HEADER_BYTES > static_cast<uint32_t>(left))
    return READ_NO_BODY;  // a frame the file cannot hold is never allocated
  frame->size = frameSize - FRAME_HEADER_BYTES;
  frame->chunks = static_cast<int16_t>(HeaderWord(header, 6));
  // One block per frame, never of size 0 (an empty frame is a 16-byte header alone).
  frame->bytes = static_cast<BYTE*>(LocalAlloc(LMEM_FIXED, frame->size ? frame->size : 1));
  if (!frame->bytes) return READ_NO_BODY;
  if (std::fread(frame->bytes, 1, frame->size, file) != frame->size) return READ_NO_BODY;
  return READ_DONE;
}

FrameBody::~FrameBody() {
  if (bytes) LocalFree(bytes);
}

int WalkChunks(const FrameBody& frame, ChunkVisitor visit, void* context) {
  ByteReader body(frame.bytes, frame.size);
  for (int i = 0; i < frame.chunks; ++i) {
    size_t start = body.pos();
    uint32_t size = body.le32();
    int type = body.sle16();
    if (!body.ok() || size < CHUNK_HEADER_BYTES) return 1;  // nothing more can be walked
    // The chunk's data may be read up to the end of the body, never beyond it.
    ByteReader data(frame.bytes + body.pos(), body.remaining());
    int result = visit(type, data, context);
    if (result == 0) return 0;  // a decoder failed
    if (result < 0) return 1;   // the visitor has what it wanted
    if (size > frame.size - start) return 1;
    body.seek(start + size);
  }
  return 1;
}

static long FileBytes(FILE* file) {
  long here = std::ftell(file);
  if (here < 0 || std::fseek(file, 0, SEEK_END) != 0) return -1;
  long end = std::ftell(file);
  if (std::fseek(file, here, SEEK_SET) != 0) return -1;
  return end;
}

struct FirstFrameWalk {
  int isFlc;
  int checkOnly;
};

static int ApplyFirstFrameChunk(int type, ByteReader& data, void* context) {
  const auto* walk = static_cast<const FirstFrameWalk*>(context);
  int isColor = walk->isFlc ? (type == CHUNK_COLOR_256 || type == CHUNK_COLOR_64)
                            : type == CHUNK_COLOR_64;
  if (isColor) {
    int ok = walk->isFlc ? DecodeFlcColor(data, type) : DecodeFliColor(data);
    if (!ok) return 0;
    return walk->checkOnly ? -1 : 1;  // the check pass wants the first colour chunk only
  }
  if (walk->checkOnly) return 1;
  if (type == CHUNK_BYTE_RUN) return walk->isFlc ? DecodeFlcByteRun(data) : DecodeFliByteRun(data);
  if (type == CHUNK_LITERAL) return CopyLiteralFrame(data);
  return 1;
}

static int ReadFirstFrame(FILE* file, int isFlc, const BYTE* header, int checkOnly) {
  if (isFlc) {
    uint32_t offset = HeaderLong(header, 80);
    if (offset > static_cast<uint32_t>(g_flicFileBytes) ||
        std::fseek(file, static_cast<long>(offset), SEEK_SET) != 0)
      return 0;
  }
  FrameBody frame;
  if (ReadFrame(file, &frame) != READ_DONE) return 0;
  FirstFrameWalk walk = {isFlc, checkOnly};
  if (!WalkChunks(frame, ApplyFirstFrameChunk, &walk)) return 0;
  long position = std::ftell(file);
  if (position < 0) return 0;
  g_frame2Offset = static_cast<DWORD>(position);
  return 1;
}

int ReadFirstFlcFrame(FILE* file, const BYTE* header, int checkOnly) {
  return ReadFirstFrame(file, 1, header, checkOnly);
}

int ReadFirstFliFrame(FILE* file, const BYTE* header, int checkOnly) {
  return ReadFirstFrame(file, 0, header, checkOnly);
}

static int OpenFlicFile(const char* path, int isFlc, int checkOnly) {
  BYTE* header = isFlc ? g_flcHeader : g_fliHeader;
  g_flicFile = std::fopen(path, "rb");
  if (!g_flicFile) return 0;
  g_flicFileBytes = FileBytes(g_flicFile);
  if (g_flicFileBytes < 0) return 0;
  if (std::fread(header, FLIC_HEADER_BYTES, 1, g_flicFile) != 1) return 0;
  if (HeaderWord(header, 4) != (isFlc ? FLC_FILE_MAGIC : FLI_FILE_MAGIC)) return 0;
  int width = HeaderWord(header, 8), height = HeaderWord(header, 10);
  if (width == 0 || height == 0) return 0;  // no frame to hold
  // The decode pass fills the buffer that the check pass sized: a file that has changed in
  // between may not bring other dimensions into it.
  if (!checkOnly && g_frameDib && (width != g_width || height != g_height)) return 0;
  g_width = width;
  g_height = height;
  g_pitch = (g_width + 3) / 4 * 4;
  return isFlc ? ReadFirstFlcFrame(g_flicFile, header, checkOnly)
               : ReadFirstFliFrame(g_flicFile, header, checkOnly);
}

int OpenFlcFile(const char* path, int checkOnly) { return OpenFlicFile(path, 1, checkOnly); }
int OpenFliFile(const char* path, int checkOnly) { return OpenFlicFile(path, 0, checkOnly); }

int PathIsFli(const char* upperPath) { return std::strstr(upperPath, ".FLI") != nullptr; }

static void CloseFlicFile() {
  if (g_flicFile) std::fclose(g_flicFile);
  g_flicFile = nullptr;
}

// The frame buffer: header, the colour table from the palette arrays, zeroed pixel rows.
static int MakeFrameBuffer() {
  size_t bytes;
  if (!DibBlockSize(static_cast<uint64_t>(g_width), static_cast<uint64_t>(g_height), 8,
                    FRAME_TABLE_BYTES, &bytes))
    return 0;
  g_frameDib = static_cast<BITMAPINFOHEADER*>(LocalAlloc(LMEM_FIXED, bytes));
  if (!g_frameDib) return 0;
  BITMAPINFOHEADER* h = g_frameDib;
  h->biSize = 40;
  h->biWidth = g_pitch;  // the frame is as wide as its padded rows
  h->biHeight = g_height;
  h->biPlanes = 1;
  h->biBitCount = 8;
  h->biCompression = BI_RGB;
  h->biSizeImage = static_cast<DWORD>(bytes - FRAME_TABLE_BYTES);
  h->biXPelsPerMeter = 0;
  h->biYPelsPerMeter = 0;
  h->biClrUsed = 256;
  h->biClrImportant = 256;
  auto* table = reinterpret_cast<RGBQUAD*>(reinterpret_cast<BYTE*>(h) + 40);
  for (int i = 0; i < 256; ++i) {
    table[i].rgbBlue = g_blue[i];
    table[i].rgbGreen = g_green[i];
    table[i].rgbRed = g_red[i];
    table[i].rgbReserved = 0;
  }
  g_hPalette = PaletteFromDib(g_frameDib);
  g_frameBits = reinterpret_cast<BYTE*>(h) + FRAME_TABLE_BYTES;
  std::memset(g_frameBits, 0, h->biSizeImage);
  return 1;
}

FlicLoadResult LoadFlicMovie(const char* upperPath) {
  int (*open)(const char*, int) = g_isFlc ? OpenFlcFile : OpenFliFile;
  int checked = open(upperPath, 1);
  CloseFlicFile();
  if (!checked) return FLIC_NOT_VALID;
  if (!MakeFrameBuffer()) {
    FreeMovie();
    return FLIC_NO_MEMORY;
  }
  if (!open(upperPath, 0)) {
    FreeMovie();
    return FLIC_READ_ERROR;
  }
  g_frameIndex = 0;
  g_frameCount = FrameCountOf(g_isFlc ? g_flcHeader : g_fliHeader);
  g_movieLoaded = 1;
  return FLIC_LOADED;
}

void FreeMovie() {
  if (g_hPalette) DeleteObject(g_hPalette);
  if (g_frameDib) LocalFree(g_frameDib);
  CloseFlicFile();
  g_frameDib = nullptr;
  g_frameBits = nullptr;
  g_hPalette = nullptr;
  g_movieLoaded = 0;
  g_writeRequested = 0;
  g_frameCount = 0;
}
