// GIF decoding throughput: our loader (both passes, into the packed record) against giflib's
// DGifSlurp on the same files in the same run, giflib's pictures and a generated 2048 x 2048
// photo-like image. Prints Mpixel/s of each (processor time) and the ratio; best of 5 rounds.
// Ends with the ratio lines (aggregate and each single-image file of 250,000 pixels or more)
// and the scale check: our per-pixel cost on the photo-like picture at 2048 and 1024 square.
#include <dirent.h>
#include <gif_lib.h>

#include <algorithm>
#include <ctime>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_clock.h"
#include "gif_writer.h"
#include "readers/gif.h"

namespace {

double SecondsPerLoad(bool ours, const std::string& path, long* pixels, int* frames) {
  auto once = [&] {
    if (ours) {
      HPALETTE palette = nullptr;
      BITMAPINFOHEADER* dib = LoadGifDib(path.c_str(), &palette);
      if (dib) {
        *pixels = long(dib->biWidth) * dib->biHeight;
        LocalFree(dib);
      }
      if (palette) DeleteObject(palette);
    } else {
      int error = 0;
      GifFileType* g = DGifOpenFileName(path.c_str(), &error);
      if (!g) return;
      if (DGifSlurp(g) == GIF_OK && g->ImageCount > 0) {
        *pixels = long(g->SavedImages[0].ImageDesc.Width) * g->SavedImages[0].ImageDesc.Height;
        *frames = g->ImageCount;
      }
      DGifCloseFile(g, &error);
    }
  };
  once();  // warm the file cache
  double best = 1e9;
  for (int round = 0; round < 5; ++round) {
    int n = 0;
    double start = CpuSeconds();
    double elapsed;
    do {
      once();
      ++n;
      elapsed = CpuSeconds() - start;
    } while (elapsed < 0.1);
    best = std::min(best, elapsed / n);
  }
  return best;
}

// Smooth shading with texture and film grain, quantised to 256 levels of one palette: what
// a photograph reduced to 256 colours looks like to the LZW coder. grainBits sets how much
// of each pixel is noise (4 makes the data almost incompressible: the worst case).
std::string WritePhotoLike(const std::string& path, int grainBits, int side = 2048) {
  const int w = side, h = side;
  GifFile f;
  for (int i = 0; i < 256; ++i) f.globalTable.push_back({uint8_t(i), uint8_t(255 - i / 2), uint8_t(i / 3)});
  GifImage im;
  im.width = w;
  im.height = h;
  im.pixels.resize(size_t(w) * h);
  uint32_t r = 12345;
  const int grain = 1 << grainBits;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      r = r * 1103515245u + 12345u;
      double v = 128 + 60 * std::sin(x / 97.0) * std::cos(y / 131.0) + 40 * std::sin((x + y) / 23.0) +
                 int(r >> (32 - grainBits)) - grain / 2;
      im.pixels[size_t(y) * w + x] = uint8_t(std::clamp(v, 0.0, 255.0));
    }
  f.images.push_back(im);
  std::vector<uint8_t> bytes = WriteGif(f);
  FILE* out = std::fopen(path.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), out);
  std::fclose(out);
  std::printf("%s: %zu bytes for %d pixels\n", path.c_str(), bytes.size(), w * h);
  return path;
}

std::string Ratio(double r) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2fx", r);
  return text;
}

}  // namespace

int main() {
  std::vector<std::string> files;
  if (DIR* d = opendir(XQV_GIFLIB_PICS)) {
    while (dirent* e = readdir(d)) {
      std::string name = e->d_name;
      if (name.size() > 4 && name.substr(name.size() - 4) == ".gif")
        files.push_back(std::string(XQV_GIFLIB_PICS) + "/" + name);
    }
    closedir(d);
  }
  std::sort(files.begin(), files.end());
  files.push_back(WritePhotoLike("/tmp/xqv-bench-photo2048.gif", 2));
  files.push_back(WritePhotoLike("/tmp/xqv-bench-grainy2048.gif", 4));

  // Mpixel/s count the first image's pixels: all we decode. DGifSlurp decodes every image of
  // an animation (frames > 1), so its figure for those files includes that extra work.
  std::printf("%-28s %9s %6s %12s %12s %7s\n", "file", "pixels", "frames", "ours Mpx/s",
              "giflib Mpx/s", "ratio");
  double oursTotal = 0, giflibTotal = 0, photoSeconds = 0;
  long pixelsTotal = 0, photoPixels = 0;
  std::vector<std::string> ratioLines;
  for (const std::string& path : files) {
    long pixels = 0, refPixels = 0;
    int frames = 1, unused = 1;
    double ours = SecondsPerLoad(true, path, &pixels, &unused);
    double ref = SecondsPerLoad(false, path, &refPixels, &frames);
    std::string name = path.substr(path.rfind('/') + 1);
    std::printf("%-28s %9ld %6d %12.1f %12.1f %7.2f\n", name.c_str(), pixels, frames,
                pixels / ours / 1e6, refPixels / ref / 1e6, ref / ours);
    if (name == "xqv-bench-photo2048.gif") {
      photoSeconds = ours;
      photoPixels = pixels;
    }
    if (frames == 1 && pixels >= 250000)
      ratioLines.push_back("GIF vs giflib (" + name + "): " + Ratio(ref / ours));
    if (frames == 1) {  // the totals compare like with like
      oursTotal += ours;
      giflibTotal += ref;
      pixelsTotal += pixels;
    }
  }
  std::printf("%-28s %9ld %6s %12.1f %12.1f %7.2f\n", "single-image files", pixelsTotal, "",
              pixelsTotal / oursTotal / 1e6, pixelsTotal / giflibTotal / 1e6,
              giflibTotal / oursTotal);
  std::printf("ratio = giflib's processor time / ours for the same file (above 1: we are faster)\n");
  std::remove("/tmp/xqv-bench-photo2048.gif");
  std::remove("/tmp/xqv-bench-grainy2048.gif");

  // Scale: the photo-like picture at a quarter of the pixels should cost the same per pixel.
  std::string small = WritePhotoLike("/tmp/xqv-bench-photo1024.gif", 2, 1024);
  long smallPixels = 0;
  int unused = 1;
  double smallSeconds = SecondsPerLoad(true, small, &smallPixels, &unused);
  std::remove(small.c_str());
  if (!photoPixels || !smallPixels) return 1;
  double perPixelSmall = smallSeconds / smallPixels, perPixelLarge = photoSeconds / photoPixels;
  std::printf("scale: ours %.2f ns per pixel at 1024x1024, %.2f ns at 2048x2048 (limit 1.25)\n",
              1e9 * perPixelSmall, 1e9 * perPixelLarge);

  for (const std::string& line : ratioLines) std::printf("%s\n", line.c_str());
  std::printf("GIF vs giflib: %s\n", Ratio(giflibTotal / oursTotal).c_str());
  std::printf("GIF scale, per-pixel cost 2048x2048 / 1024x1024: %s\n",
              Ratio(perPixelLarge / perPixelSmall).c_str());
  return 0;
}
