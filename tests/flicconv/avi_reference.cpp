// Test helper (Windows): writes given 8-bit frames into an AVI the way the converter does,
// through the platform's compression dialog run on the same sample movie and then the same
// compressed stream, so a compressed write of the converter can be compared with the source
// frames written through the same compressor with the same options.
//
//   avi_reference <frames.raw> <out.avi> <rate> <sample.avi>
//
// frames.raw: width, height, pitch and frame count as 32-bit little-endian values, a
// 1024-byte colour table, then every frame's pixel rows, bottom row first, pitch bytes each.
#include <windows.h>
#include <vfw.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

static bool ReadAll(const char* path, std::vector<BYTE>* out) {
  FILE* f = std::fopen(path, "rb");
  if (!f) return false;
  BYTE buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) out->insert(out->end(), buffer, buffer + n);
  std::fclose(f);
  return true;
}

static bool ChooseOptions(const char* sample, AVICOMPRESSOPTIONS* options) {
  PAVIFILE file = nullptr;
  bool chosen = false;
  if (AVIFileOpenA(&file, sample, OF_READ, nullptr) != 0) return false;
  PAVISTREAM stream = nullptr;
  if (AVIFileGetStream(file, &stream, streamtypeVIDEO, 0) == 0) {
    LPAVICOMPRESSOPTIONS list[2] = {options, nullptr};
    chosen = AVISaveOptions(nullptr, 7, 1, &stream, list) == 1;
    AVISaveOptionsFree(1, list);
    AVIStreamRelease(stream);
  }
  AVIFileRelease(file);
  return chosen;
}

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: avi_reference <frames.raw> <out.avi> <rate> <sample.avi>\n");
    return 2;
  }
  std::vector<BYTE> raw;
  if (!ReadAll(argv[1], &raw) || raw.size() < 16 + 1024) return 2;
  DWORD head[4];
  std::memcpy(head, raw.data(), sizeof head);
  DWORD width = head[0], height = head[1], pitch = head[2], count = head[3];
  size_t frameBytes = size_t(pitch) * height;
  if (raw.size() < 16 + 1024 + frameBytes * count) return 2;

  std::vector<BYTE> format(40 + 1024);
  auto* bih = reinterpret_cast<BITMAPINFOHEADER*>(format.data());
  bih->biSize = 40;
  bih->biWidth = LONG(pitch);
  bih->biHeight = LONG(height);
  bih->biPlanes = 1;
  bih->biBitCount = 8;
  bih->biCompression = BI_RGB;
  bih->biSizeImage = DWORD(frameBytes);
  bih->biClrUsed = bih->biClrImportant = 256;
  std::memcpy(format.data() + 40, raw.data() + 16, 1024);
  (void)width;

  AVIFileInit();
  AVICOMPRESSOPTIONS options;
  std::memset(&options, 0, sizeof options);
  bool chosen = ChooseOptions(argv[4], &options);
  std::printf("chosen=%d handler=%.4s\n", chosen ? 1 : 0, reinterpret_cast<char*>(&options.fccHandler));
  int status = 1;
  PAVIFILE file = nullptr;
  PAVISTREAM stream = nullptr, compressed = nullptr;
  if (AVIFileOpenA(&file, argv[2], OF_WRITE | OF_CREATE, nullptr) == 0) {
    AVISTREAMINFOA info;
    std::memset(&info, 0, sizeof info);
    info.fccType = streamtypeVIDEO;
    info.dwScale = 1;
    info.dwRate = DWORD(std::atoi(argv[3]));
    info.dwSuggestedBufferSize = DWORD(frameBytes);
    SetRect(&info.rcFrame, 0, 0, LONG(pitch), LONG(height));
    if (AVIFileCreateStreamA(file, &stream, &info) == 0) {
      PAVISTREAM target = stream;
      if (chosen && AVIMakeCompressedStream(&compressed, stream, &options, nullptr) == 0)
        target = compressed;
      if ((!chosen || compressed) && AVIStreamSetFormat(target, 0, format.data(), LONG(format.size())) == 0) {
        status = 0;
        for (DWORD i = 0; i < count && status == 0; ++i)
          if (AVIStreamWrite(target, LONG(i), 1, raw.data() + 16 + 1024 + frameBytes * i,
                             LONG(frameBytes), AVIIF_KEYFRAME, nullptr, nullptr) != 0)
            status = 1;
      }
    }
  }
  if (stream) AVIStreamRelease(stream);
  if (compressed) AVIStreamRelease(compressed);
  if (file) AVIFileRelease(file);
  AVIFileExit();
  return status;
}
