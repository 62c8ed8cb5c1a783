// A small Targa writer for the tests, the fuzz seeds and the benchmark: true-colour images
// of any depth and origin, raw or run-length coded (packets running across rows), with an
// optional image ID and colour map.
#pragma once
#include <cstdint>
#include <vector>

struct TgaImage {
  int type = 2;  // 2 raw, 10 run-length; other types are written with raw pixel data
  int depth = 24;
  int width = 0, height = 0;
  bool topLeft = false;
  int descriptorBits = 0;  // ORed into the descriptor (attribute bits, interleave bits)
  int idLength = 0;
  int mapType = 0, mapLength = 0, mapEntryBits = 24;
  int maxPacket = 128;              // pixels per run-length packet
  std::vector<uint32_t> pixels;     // width * height pixel values, top row first
};

inline int TgaPixelBytes(int depth) {
  return depth == 15 || depth == 16 ? 2 : depth == 24 ? 3 : 4;
}

inline std::vector<uint8_t> WriteTga(const TgaImage& t) {
  std::vector<uint8_t> out;
  auto put16 = [&](int v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
  };
  out.push_back(uint8_t(t.idLength));
  out.push_back(uint8_t(t.mapType));
  out.push_back(uint8_t(t.type));
  put16(0);
  put16(t.mapLength);
  out.push_back(uint8_t(t.mapEntryBits));
  put16(0);
  put16(0);
  put16(t.width);
  put16(t.height);
  out.push_back(uint8_t(t.depth));
  out.push_back(uint8_t((t.topLeft ? 0x20 : 0) | t.descriptorBits));
  for (int i = 0; i < t.idLength; ++i) out.push_back(uint8_t(0xA0 + i));
  if (t.mapType == 1)
    for (int i = 0; i < t.mapLength * ((t.mapEntryBits + 7) / 8); ++i) out.push_back(uint8_t(i * 7));
  // The pixels in file order: from the origin row on.
  std::vector<uint32_t> order;
  for (int r = 0; r < t.height; ++r) {
    int y = t.topLeft ? r : t.height - 1 - r;
    order.insert(order.end(), t.pixels.begin() + size_t(y) * t.width,
                 t.pixels.begin() + size_t(y + 1) * t.width);
  }
  const int bytes = TgaPixelBytes(t.depth);
  auto putPixel = [&](uint32_t v) {
    for (int b = 0; b < bytes; ++b) out.push_back(uint8_t(v >> (8 * b)));
  };
  if (t.type != 10) {
    for (uint32_t v : order) putPixel(v);
    return out;
  }
  for (size_t i = 0; i < order.size();) {
    size_t run = 1;
    while (i + run < order.size() && run < size_t(t.maxPacket) && order[i + run] == order[i]) ++run;
    if (run >= 2) {
      out.push_back(uint8_t(0x80 | (run - 1)));
      putPixel(order[i]);
      i += run;
      continue;
    }
    size_t raw = 1;
    while (i + raw < order.size() && raw < size_t(t.maxPacket) &&
           !(i + raw + 1 < order.size() && order[i + raw] == order[i + raw + 1]))
      ++raw;
    out.push_back(uint8_t(raw - 1));
    for (size_t k = 0; k < raw; ++k) putPixel(order[i + k]);
    i += raw;
  }
  return out;
}

// A repeatable picture with runs (some crossing rows), edges and noise.
inline std::vector<uint32_t> TgaTestPattern(int width, int height, uint32_t seed) {
  std::vector<uint32_t> px(size_t(width) * height);
  uint32_t r = seed * 2654435761u + 7;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      r = r * 1103515245u + 12345u;
      uint32_t v;
      if ((y / 3) % 2 == 0) v = 0x00102030u * uint32_t(1 + y % 5);  // runs across row ends
      else if (x % 7 < 3) v = uint32_t(x * 0x010203 + y * 0x030201);
      else v = r;
      px[size_t(y) * width + x] = v;
    }
  return px;
}
