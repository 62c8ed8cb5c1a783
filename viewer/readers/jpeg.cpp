// JPEG files through libjpeg: the two-pass reader that fills a 24-bit packed record, and the
// baseline writer. Library errors come back through a jump to a recovery point in the pass
// that called the library; nothing is ever shown.
#include "jpeg.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "reader_record.h"
#include "reader_state.h"

#include <jpeglib.h>
#include <jerror.h>

namespace {

// The library's error manager with our recovery point behind it; JpegErrorExit finds the
// jump buffer by casting the manager back to this record.
struct JpegErrorRecord {
  jpeg_error_mgr manager;
  jmp_buf recovery;
};

}  // namespace

// Replaces the library's error_exit, which would print the message and end the process.
static void JpegErrorExit(j_common_ptr common) {
  JpegErrorRecord* record = reinterpret_cast<JpegErrorRecord*>(common->err);
  longjmp(record->recovery, 1);
}

// Replaces the library's output_message, which writes warnings (corrupt data, a file cut
// short) to the standard error stream.
static void JpegQuietMessage(j_common_ptr) {}

// The library's error manager with both replacements in it.
static jpeg_error_mgr* QuietJpegErrors(JpegErrorRecord* record) {
  jpeg_error_mgr* manager = jpeg_std_error(&record->manager);
  manager->error_exit = JpegErrorExit;
  manager->output_message = JpegQuietMessage;
  return manager;
}

// The file source. The library's own stdio source refills a 4 KB buffer, and its Huffman
// decoder takes its fast path only while several kilobytes are buffered: with a buffer this
// size nearly every block is decoded on the fast path. The header pass reads only the
// markers before the first scan, and a small buffer does for it.
enum { kJpegSourceBytes = 256 * 1024, kJpegHeaderSourceBytes = 4096 };

struct JpegFileSource {
  jpeg_source_mgr manager;  // first, so the library's pointer is also ours
  FILE* file;
  JOCTET* buffer;
  size_t size;  // of the buffer
  bool empty;  // nothing has been read from the file yet
};

static void JpegSourceStart(j_decompress_ptr info) {
  reinterpret_cast<JpegFileSource*>(info->src)->empty = true;
}

static boolean JpegSourceFill(j_decompress_ptr info) {
  JpegFileSource* source = reinterpret_cast<JpegFileSource*>(info->src);
  size_t got = fread(source->buffer, 1, source->size, source->file);
  if (got == 0) {
    if (source->empty) ERREXIT(info, JERR_INPUT_EMPTY);
    // A file cut short ends in an end-of-image marker, so the rows decoded so far stand.
    WARNMS(info, JWRN_JPEG_EOF);
    source->buffer[0] = 0xFF;
    source->buffer[1] = JPEG_EOI;
    got = 2;
  }
  source->manager.next_input_byte = source->buffer;
  source->manager.bytes_in_buffer = got;
  source->empty = false;
  return TRUE;
}

static void JpegSourceSkip(j_decompress_ptr info, long count) {
  if (count <= 0) return;
  jpeg_source_mgr* manager = info->src;
  while (count > long(manager->bytes_in_buffer)) {
    count -= long(manager->bytes_in_buffer);
    JpegSourceFill(info);  // never suspends: an empty file gives the end-of-image marker
  }
  manager->next_input_byte += count;
  manager->bytes_in_buffer -= size_t(count);
}

static void JpegSourceEnd(j_decompress_ptr) {}

// Installs the source on `file`; its memory belongs to the library's permanent pool, so it
// goes with jpeg_destroy_decompress, whichever way the pass ends.
static void JpegFileSourceOn(j_decompress_ptr info, FILE* file, size_t size) {
  j_common_ptr common = reinterpret_cast<j_common_ptr>(info);
  JpegFileSource* source = static_cast<JpegFileSource*>(
      (*info->mem->alloc_small)(common, JPOOL_PERMANENT, sizeof(JpegFileSource)));
  source->buffer = static_cast<JOCTET*>(
      (*info->mem->alloc_large)(common, JPOOL_PERMANENT, size));
  source->size = size;
  source->file = file;
  source->manager.init_source = JpegSourceStart;
  source->manager.fill_input_buffer = JpegSourceFill;
  source->manager.skip_input_data = JpegSourceSkip;
  source->manager.resync_to_restart = jpeg_resync_to_restart;
  source->manager.term_source = JpegSourceEnd;
  source->manager.bytes_in_buffer = 0;
  source->manager.next_input_byte = nullptr;
  info->src = &source->manager;
}

// Every scan of a progressive file costs a pass over all blocks of the image, and the library
// accepts scans repeated without end: a few hundred kilobytes of empty scans would hold the
// viewer for minutes. Real encoders write a few dozen at most.
enum { kMaxJpegScans = 500 };

static void JpegLimitScans(j_common_ptr common) {
  if (reinterpret_cast<j_decompress_ptr>(common)->input_scan_number > kMaxJpegScans)
    (*common->err->error_exit)(common);
}

// Adobe CMYK and YCCK files come out of libjpeg as inverted CMYK: each ink sample is 255 for
// no ink, so a colour channel is the ink sample scaled by the black sample.
static inline BYTE InvertedInkToRgb(unsigned ink, unsigned black) {
  return static_cast<BYTE>((ink * black + 127) / 255);
}

void JpegPutRow(const BYTE* samples, int components, LONG n) {
  const ReaderState& s = g_readerState;
  if (n < 0 || n >= s.height || !s.pixels) return;
  BYTE* out = s.pixels + size_t(s.height - 1 - n) * size_t(s.stride);
  const size_t width = size_t(s.width);
  switch (components) {
    case 1:
      for (size_t x = 0; x < width; ++x, out += 3) out[0] = out[1] = out[2] = samples[x];
      break;
    case 3:
      for (size_t x = 0; x < width; ++x, out += 3, samples += 3) {
        out[0] = samples[2];
        out[1] = samples[1];
        out[2] = samples[0];
      }
      break;
    case 4:
      for (size_t x = 0; x < width; ++x, out += 3, samples += 4) {
        out[0] = InvertedInkToRgb(samples[2], samples[3]);
        out[1] = InvertedInkToRgb(samples[1], samples[3]);
        out[2] = InvertedInkToRgb(samples[0], samples[3]);
      }
      break;
    default:
      break;  // refused before decoding starts
  }
}

// The decode proper, once the header has been read. Colour rows come out of the library in
// the record's own blue-green-red order straight into their place; grey and CMYK rows go
// through one reusable row from the library's image pool and JpegPutRow.
static void DecodeJpegRows(jpeg_decompress_struct* info) {
  jpeg_start_decompress(info);
  const ReaderState& s = g_readerState;
  if (info->out_color_space == JCS_EXT_BGR) {
    while (info->output_scanline < info->output_height) {
      JSAMPROW row = s.pixels + size_t(s.height - 1 - LONG(info->output_scanline)) * size_t(s.stride);
      jpeg_read_scanlines(info, &row, 1);
    }
  } else {
    JDIMENSION rowLength = info->output_width * JDIMENSION(info->output_components);
    JSAMPARRAY row = (*info->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(info),
                                                 JPOOL_IMAGE, rowLength, 1);
    while (info->output_scanline < info->output_height) {
      jpeg_read_scanlines(info, row, 1);
      JpegPutRow(row[0], info->output_components, LONG(info->output_scanline) - 1);
    }
  }
  jpeg_finish_decompress(info);
}

// The pixel layouts the decode knows, and the record's dimensions, must agree with what the
// library is going to deliver; anything else is refused before a row is written.
static bool JpegOutputFitsRecord(const jpeg_decompress_struct* info) {
  int components;
  switch (info->out_color_space) {
    case JCS_GRAYSCALE: components = 1; break;
    case JCS_EXT_BGR: components = 3; break;
    case JCS_CMYK: components = 4; break;
    default: return false;
  }
  return info->out_color_components == components && info->output_width == info->image_width &&
         LONG(info->image_width) == g_readerState.width &&
         LONG(info->image_height) == g_readerState.height && g_readerState.pixels;
}

// A plain function on purpose: nothing with a destructor may be alive across the jump.
int DecodeJpeg(LPCSTR path, BOOL headerOnly) {
  FILE* file = fopen(path, "rb");
  if (!file) return 0;

  // Zeroed, so that a jump out of the object's own creation finds nothing to destroy.
  jpeg_decompress_struct info;
  memset(&info, 0, sizeof info);
  JpegErrorRecord error;
  info.err = QuietJpegErrors(&error);
  jpeg_progress_mgr progress;
  memset(&progress, 0, sizeof progress);
  progress.progress_monitor = JpegLimitScans;
  if (setjmp(error.recovery)) {
    jpeg_destroy_decompress(&info);
    fclose(file);
    return 0;
  }
  jpeg_CreateDecompress(&info, JPEG_LIB_VERSION, sizeof info);
  info.progress = &progress;
  JpegFileSourceOn(&info, file, headerOnly ? kJpegHeaderSourceBytes : kJpegSourceBytes);
  jpeg_read_header(&info, TRUE);

  int ok = 1;
  if (headerOnly) {
    g_readerState.width = LONG(info.image_width);
    g_readerState.height = LONG(info.image_height);
  } else {
    // The same colour conversion as the default RGB output, in the record's byte order.
    if (info.out_color_space == JCS_RGB) info.out_color_space = JCS_EXT_BGR;
    // Computes out_color_components for the check without starting the decode.
    jpeg_calc_output_dimensions(&info);
    if (JpegOutputFitsRecord(&info))
      DecodeJpegRows(&info);
    else
      ok = 0;
  }
  jpeg_destroy_decompress(&info);
  fclose(file);
  return ok;
}

BITMAPINFOHEADER* LoadJpegDib(LPCSTR path, HPALETTE* palette) {
  if (!DecodeJpeg(path, TRUE)) return nullptr;
  BITMAPINFOHEADER* dib = NewReaderRecord(24, nullptr, palette);
  if (!dib) return nullptr;
  return KeepIfDecoded(dib, DecodeJpeg(path, FALSE) != 0);
}

// The encoding pass behind the recovery point; `file` and `line` belong to the caller.
static int EncodeJpeg(FILE* file, BYTE* line, int width, int height, int quality,
                      const BYTE* pixels) {
  jpeg_compress_struct info;
  memset(&info, 0, sizeof info);
  JpegErrorRecord error;
  info.err = QuietJpegErrors(&error);
  if (setjmp(error.recovery)) {
    jpeg_destroy_compress(&info);
    return 0;
  }
  jpeg_CreateCompress(&info, JPEG_LIB_VERSION, sizeof info);
  jpeg_stdio_dest(&info, file);
  info.image_width = JDIMENSION(width);
  info.image_height = JDIMENSION(height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  // Full-resolution colour: with the default 2 x 2 chroma sampling neighbouring pixels share
  // their colour, and a red pixel beside a blue one comes back as two purple ones.
  for (int c = 0; c < info.num_components; ++c)
    info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
  jpeg_start_compress(&info, TRUE);
  const BYTE* source = pixels;
  while (info.next_scanline < info.image_height) {
    for (int x = 0; x < width; ++x, source += 4) {
      line[3 * x] = source[1];
      line[3 * x + 1] = source[2];
      line[3 * x + 2] = source[3];
    }
    JSAMPROW rows[1] = {line};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return 1;
}

int WriteJpegFile(LPCSTR path, int width, int height, int quality, const BYTE* pixels) {
  // Sizes the library would refuse are refused here, before "wb" has emptied a file that
  // may already exist under that name.
  if (width < 1 || height < 1 || width > JPEG_MAX_DIMENSION || height > JPEG_MAX_DIMENSION ||
      !pixels)
    return 0;
  BYTE* line = static_cast<BYTE*>(malloc(size_t(width) * 3));
  if (!line) return 0;
  FILE* file = fopen(path, "wb");
  if (!file) {
    free(line);
    return 0;
  }
  int ok = EncodeJpeg(file, line, width, height, quality, pixels);
  // A write error the library cannot see (a full disk) must not pass for success.
  if (fclose(file) != 0) ok = 0;
  free(line);
  return ok;
}
