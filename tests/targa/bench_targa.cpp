// Targa decoding throughput on a 4096 x 4096 run-length file (24 bits, photo-like with runs):
// our loader (both passes, into the packed record) against merely reading the same file byte
// by byte through the same unlocked stream reads, and in bulk, measured in the same run.
#include <algorithm>
#include <ctime>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_clock.h"
#include "byte_reader.h"
#include "readers/targa.h"
#include "tga_writer.h"

int main() {
  const int w = 4096, h = 4096;
  TgaImage t;
  t.type = 10;
  t.width = w;
  t.height = h;
  t.pixels.resize(size_t(w) * h);
  uint32_t r = 99;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      r = r * 1103515245u + 12345u;
      uint32_t v;
      if ((x / 64 + y / 64) % 2 == 0) {
        v = uint32_t((y / 8) * 0x010101) & 0xFFFFFF;  // flat areas: long runs
      } else {
        int s = int(100 + 80 * std::sin(x / 50.0) * std::cos(y / 70.0)) + int(r >> 29);
        v = uint32_t(s) << 16 | uint32_t(255 - s) << 8 | uint32_t(s / 2);
      }
      t.pixels[size_t(y) * w + x] = v;
    }
  std::vector<uint8_t> bytes = WriteTga(t);
  const std::string path = "/tmp/xqv-bench-4096.tga";
  FILE* out = std::fopen(path.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), out);
  std::fclose(out);
  t.pixels.clear();
  t.pixels.shrink_to_fit();

  double decode = BestSeconds([&] {
    HPALETTE palette = nullptr;
    BITMAPINFOHEADER* dib = LoadTargaDib(path.c_str(), &palette);
    if (!dib) std::fprintf(stderr, "the benchmark file did not load\n");
    LocalFree(dib);
    if (palette) DeleteObject(palette);
  });
  unsigned sink = 0;
  double bytewise = BestSeconds([&] {
    FILE* f = std::fopen(path.c_str(), "rb");
    ByteStream s(f);
    for (int b; (b = s.byte()) >= 0;) sink += unsigned(b);
    std::fclose(f);
  });
  std::vector<uint8_t> buffer(1 << 20);
  double bulk = BestSeconds([&] {
    FILE* f = std::fopen(path.c_str(), "rb");
    while (size_t n = std::fread(buffer.data(), 1, buffer.size(), f)) sink += buffer[n - 1];
    std::fclose(f);
  });
  std::remove(path.c_str());

  const double fileMb = bytes.size() / 1e6, pixelMb = 3.0 * w * h / 1e6;
  std::printf("4096 x 4096 run-length Targa: file %.1f MB, pixels %.1f MB (sink %u)\n", fileMb,
              pixelMb, sink & 1);
  std::printf("%-34s %8.1f ms %9.1f MB/s of file %9.1f MB/s of pixels\n", "our decode",
              decode * 1e3, fileMb / decode, pixelMb / decode);
  std::printf("%-34s %8.1f ms %9.1f MB/s of file\n", "reading it byte by byte", bytewise * 1e3,
              fileMb / bytewise);
  std::printf("%-34s %8.1f ms %9.1f MB/s of file\n", "reading it in bulk", bulk * 1e3,
              fileMb / bulk);
  std::printf("ratios: decode / byte-by-byte read time %.2f, decode / bulk read time %.2f\n",
              decode / bytewise, decode / bulk);
  return 0;
}
