// WebP files through libwebp: the whole file is read into memory (the decoder wants it so),
// the header pass takes the canvas size, the decode pass decodes the picture, or the first
// frame of an animation, into the record. Opaque pictures are decoded straight into the
// record's rows; pictures with alpha, and animation frames, through one frame-sized buffer
// and composited over white.
#include "webp.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "checked_size.h"
#include "reader_record.h"
#include "reader_state.h"

#include <webp/decode.h>
#include <webp/demux.h>

namespace {

// What the header pass found beyond the canvas size.
struct WebpLayout {
  bool animated;     // an animation: its first frame is shown
  bool alpha;        // the picture has alpha to composite
  size_t fileBytes;  // the file's size
};

WebpLayout g_webpLayout;

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};
struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
// Buffers come from malloc: a failed allocation is an ordinary outcome (an empty child), never
// an exception through the window procedure.
using Bytes = std::unique_ptr<uint8_t, FreeDeleter>;

// Where the frame lies on the canvas.
struct WebpFrame {
  const uint8_t* data;
  size_t size;
  int x, y, width, height;
};

}  // namespace

// The file's first `want` bytes (all of it when shorter), with the file's whole size; false
// when it cannot be read, is larger than a load may take, or finds no memory. The size is
// known before anything is allocated, so the file is held once.
static bool ReadFileStart(LPCSTR path, size_t want, Bytes* data, size_t* size, size_t* fileSize) {
  std::unique_ptr<FILE, FileCloser> file(std::fopen(path, "rb"));
  if (!file || std::fseek(file.get(), 0, SEEK_END) != 0) return false;
  long length = std::ftell(file.get());
  if (length <= 0 || uint64_t(length) > kWebpMaxBytes || std::fseek(file.get(), 0, SEEK_SET) != 0)
    return false;
  const size_t bytes = size_t(length) < want ? size_t(length) : want;
  data->reset(static_cast<uint8_t*>(std::malloc(bytes)));
  if (!*data || std::fread(data->get(), 1, bytes, file.get()) != bytes) return false;
  *size = bytes;
  *fileSize = size_t(length);
  return true;
}

static inline BYTE OverWhite(unsigned c, unsigned a) {
  return BYTE((c * a + 255 * (255 - a) + 127) / 255);
}

void WebpPutRow(const BYTE* bgra, LONG x, LONG count, LONG n) {
  const ReaderState& s = g_readerState;
  if (n < 0 || n >= s.height || x < 0 || count < 0 || count > s.width - x || !s.pixels) return;
  BYTE* out = s.pixels + size_t(s.height - 1 - n) * size_t(s.stride) + size_t(x) * 3;
  for (LONG i = 0; i < count; ++i, out += 3, bgra += 4)
    for (int c = 0; c < 3; ++c) out[c] = OverWhite(bgra[c], bgra[3]);
}

// An opaque frame decoded by libwebp in the record's own blue-green-red order, its rows
// flipped so that they land bottom-up in the record's rows.
static bool DecodeOpaqueFrame(const WebpFrame& f) {
  const ReaderState& s = g_readerState;
  WebPDecoderConfig config;
  if (!WebPInitDecoderConfig(&config)) return false;
  config.output.colorspace = MODE_BGR;
  config.output.is_external_memory = 1;
  config.output.u.RGBA.rgba =
      s.pixels + size_t(s.height - f.y - f.height) * size_t(s.stride) + size_t(f.x) * 3;
  config.output.u.RGBA.stride = s.stride;
  config.output.u.RGBA.size = size_t(f.height - 1) * size_t(s.stride) + size_t(f.width) * 3;
  config.options.flip = 1;
  const bool ok = WebPDecode(f.data, f.size, &config) == VP8_STATUS_OK;
  WebPFreeDecBuffer(&config.output);
  return ok;
}

// A frame with alpha decoded into a buffer of its own and composited over white.
static bool DecodeFrameOverWhite(const WebpFrame& f) {
  size_t bytes;
  if (!CheckedMul(uint64_t(f.width) * 4, uint64_t(f.height), &bytes)) return false;
  Bytes bgra(static_cast<uint8_t*>(std::malloc(bytes)));
  if (!bgra) return false;
  WebPDecoderConfig config;
  if (!WebPInitDecoderConfig(&config)) return false;
  config.output.colorspace = MODE_BGRA;
  config.output.is_external_memory = 1;
  config.output.u.RGBA.rgba = bgra.get();
  config.output.u.RGBA.stride = f.width * 4;
  config.output.u.RGBA.size = bytes;
  const bool ok = WebPDecode(f.data, f.size, &config) == VP8_STATUS_OK;
  WebPFreeDecBuffer(&config.output);
  if (!ok) return false;
  for (int r = 0; r < f.height; ++r)
    WebpPutRow(bgra.get() + size_t(r) * size_t(f.width) * 4, f.x, f.width, f.y + r);
  return true;
}

// The frame must lie inside the canvas (the record) before anything is written.
static bool DecodeWebpFrame(const WebpFrame& f, bool alpha) {
  const ReaderState& s = g_readerState;
  if (f.x < 0 || f.y < 0 || f.width <= 0 || f.height <= 0 || f.width > s.width - f.x ||
      f.height > s.height - f.y || !s.pixels)
    return false;
  return alpha ? DecodeFrameOverWhite(f) : DecodeOpaqueFrame(f);
}

// The first frame of an animation, on a canvas that is transparent (so white) around it.
static bool DecodeFirstFrame(const uint8_t* file, size_t size) {
  WebPData data = {file, size};
  std::unique_ptr<WebPDemuxer, void (*)(WebPDemuxer*)> demux(WebPDemux(&data), WebPDemuxDelete);
  if (!demux || LONG(WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_WIDTH)) != g_readerState.width ||
      LONG(WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_HEIGHT)) != g_readerState.height)
    return false;
  WebPIterator it;
  if (!WebPDemuxGetFrame(demux.get(), 1, &it)) return false;
  const WebpFrame f = {it.fragment.bytes, it.fragment.size, it.x_offset, it.y_offset,
                       it.width, it.height};
  WebPDemuxReleaseIterator(&it);
  const ReaderState& s = g_readerState;
  for (LONG y = 0; y < s.height; ++y)
    std::memset(s.pixels + size_t(y) * size_t(s.stride), 0xFF, size_t(s.width) * 3);
  return DecodeWebpFrame(f, true);
}

// The header pass reads no more than the features need, which stand in the first chunks;
// only a file whose metadata chunks push them further is read whole for them.
const size_t kWebpHeaderBytes = 4096;

static VP8StatusCode ReadWebpFeatures(LPCSTR path, size_t want, Bytes* file, size_t* size,
                                      size_t* fileSize, WebPBitstreamFeatures* features) {
  if (!ReadFileStart(path, want, file, size, fileSize)) return VP8_STATUS_NOT_ENOUGH_DATA;
  return WebPGetFeatures(file->get(), *size, features);
}

int DecodeWebp(LPCSTR path, BOOL headerOnly) {
  Bytes file;
  size_t size = 0, fileSize = 0;
  WebPBitstreamFeatures features;
  VP8StatusCode status = ReadWebpFeatures(path, headerOnly ? kWebpHeaderBytes : kWebpMaxBytes,
                                          &file, &size, &fileSize, &features);
  if (status == VP8_STATUS_NOT_ENOUGH_DATA && size < fileSize)
    status = ReadWebpFeatures(path, kWebpMaxBytes, &file, &size, &fileSize, &features);
  if (status != VP8_STATUS_OK || features.width <= 0 || features.height <= 0) return 0;
  if (headerOnly) {
    g_readerState.width = features.width;
    g_readerState.height = features.height;
    g_webpLayout.animated = features.has_animation != 0;
    g_webpLayout.alpha = features.has_alpha != 0;
    g_webpLayout.fileBytes = fileSize;
    return 1;
  }
  if (features.width != g_readerState.width || features.height != g_readerState.height ||
      (features.has_animation != 0) != g_webpLayout.animated)
    return 0;
  if (g_webpLayout.animated) return DecodeFirstFrame(file.get(), size);
  const WebpFrame whole = {file.get(), size, 0, 0, features.width, features.height};
  return DecodeWebpFrame(whole, features.has_alpha != 0);
}

// All a load takes at most: the file, the record, the frame buffer for alpha and libwebp's
// own working memory (a lossless picture keeps 4 bytes a pixel; a lossy one far less).
static bool WebpFitsInMemory() {
  const uint64_t width = uint64_t(g_readerState.width), height = uint64_t(g_readerState.height);
  const WebpLayout& l = g_webpLayout;
  size_t record, pixels, decoder, total;
  if (!DibBlockSize(width, height, 24, sizeof(BITMAPINFOHEADER), &record) ||
      !CheckedMul(width, height, &pixels) || !CheckedMul(pixels, 4, &decoder))
    return false;
  const size_t frame = l.alpha || l.animated ? decoder : 0;
  return CheckedAdd(record, l.fileBytes, &total) && CheckedAdd(total, decoder, &total) &&
         CheckedAdd(total, frame, &total) && total <= kWebpMaxBytes;
}

BITMAPINFOHEADER* LoadWebpDib(LPCSTR path, HPALETTE* palette) {
  if (!DecodeWebp(path, TRUE) || !WebpFitsInMemory()) return nullptr;
  BITMAPINFOHEADER* dib = NewReaderRecord(24, nullptr, palette);
  if (!dib) return nullptr;
  return KeepIfDecoded(dib, DecodeWebp(path, FALSE) != 0);
}
