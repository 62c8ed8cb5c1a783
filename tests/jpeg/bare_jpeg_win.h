// Timing pieces the Windows benchmarks share: a millisecond clock and the bare library decode
// their readers are compared with.
#pragma once
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

inline double NowMs() {
  static LARGE_INTEGER frequency;
  if (!frequency.QuadPart) QueryPerformanceFrequency(&frequency);
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return double(t.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

// A default decode of the file, timed. Into one row, as djpeg does (`wholePicture` false:
// the library's floor), or into one freshly allocated whole-picture buffer, what any viewer
// has to do at the least (its first write costs page faults the one-row decode never pays);
// that buffer is freed after the clock stops, as the readers' records are.
inline bool TimeBareJpeg(const char* path, bool wholePicture, double* ms) {
  double start = NowMs();
  FILE* f = fopen(path, "rb");
  if (!f) return false;
  jpeg_decompress_struct info;
  jpeg_error_mgr err;
  info.err = jpeg_std_error(&err);
  jpeg_create_decompress(&info);
  jpeg_stdio_src(&info, f);
  jpeg_read_header(&info, TRUE);
  jpeg_start_decompress(&info);
  const size_t stride = size_t(info.output_width) * info.output_components;
  JSAMPLE* picture =
      wholePicture ? static_cast<JSAMPLE*>(malloc(stride * info.output_height)) : nullptr;
  JSAMPARRAY oneRow =
      wholePicture ? nullptr
                   : (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info),
                                               JPOOL_IMAGE, JDIMENSION(stride), 1);
  const bool ok = wholePicture ? picture != nullptr : oneRow != nullptr;
  while (ok && info.output_scanline < info.output_height) {
    JSAMPROW row = wholePicture ? picture + stride * info.output_scanline : oneRow[0];
    jpeg_read_scanlines(&info, &row, 1);
  }
  if (ok) jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  fclose(f);
  *ms = NowMs() - start;
  free(picture);
  return ok;
}
