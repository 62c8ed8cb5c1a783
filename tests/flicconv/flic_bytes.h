// Hand-made flic bytes for the host tests: chunks, frames and whole files, each field
// written explicitly, plus a frame buffer fixture for the chunk decoders.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "flic.h"

using Bytes = std::vector<uint8_t>;

inline void Put16(Bytes& b, unsigned v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}
inline void Put32(Bytes& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
inline Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// A chunk: size (header included), type, data.
inline Bytes Chunk(int type, const Bytes& data, long size = -1) {
  Bytes b;
  Put32(b, size < 0 ? uint32_t(6 + data.size()) : uint32_t(size));
  Put16(b, uint16_t(type));
  b.insert(b.end(), data.begin(), data.end());
  return b;
}

// A frame: size, magic, chunk count, 8 reserved bytes, then the chunks.
inline Bytes Frame(const std::vector<Bytes>& chunks, long size = -1, unsigned magic = 0xF1FA,
                   int count = -1) {
  Bytes body;
  for (const Bytes& c : chunks) body.insert(body.end(), c.begin(), c.end());
  Bytes b;
  Put32(b, size < 0 ? uint32_t(16 + body.size()) : uint32_t(size));
  Put16(b, magic);
  Put16(b, uint16_t(count < 0 ? int(chunks.size()) : count));
  b.resize(16, 0);
  b.insert(b.end(), body.begin(), body.end());
  return b;
}

// A file: the 128-byte header, then the frames. FLC files point at frame 1 (offset 128
// unless told otherwise).
inline Bytes FlicFile(bool flc, unsigned width, unsigned height, unsigned frames,
                      const std::vector<Bytes>& frameBytes, uint32_t firstOffset = 128) {
  Bytes b;
  Put32(b, 0);  // file size, not read
  Put16(b, flc ? 0xAF12 : 0xAF11);
  Put16(b, frames);
  Put16(b, width);
  Put16(b, height);
  Put16(b, 8);  // depth
  b.resize(80, 0);
  Put32(b, firstOffset);
  b.resize(128, 0);
  for (const Bytes& f : frameBytes) b.insert(b.end(), f.begin(), f.end());
  return b;
}

// A literal chunk (type 16) of a width x height frame filled by f(x, y).
template <typename F>
inline Bytes LiteralChunk(int width, int height, F f) {
  Bytes d;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) d.push_back(uint8_t(f(x, y)));
  return Chunk(16, d);
}

// One colour packet setting entries from `first` on to (r, g, b) = (v, v + 1, v + 2).
inline Bytes ColorChunk(int type, int first, int count, int v) {
  Bytes d;
  Put16(d, 1);
  d.push_back(uint8_t(first));
  d.push_back(uint8_t(count));
  for (int i = 0; i < (count ? count : 256); ++i) {
    d.push_back(uint8_t(v));
    d.push_back(uint8_t(v + 1));
    d.push_back(uint8_t(v + 2));
  }
  return Chunk(type, d);
}

// A file in the test's scratch folder, removed again when the test ends.
class TempFlic {
 public:
  TempFlic(const Bytes& content, const char* suffix = ".FLC") {
    char name[] = "/tmp/flictestXXXXXX";
    int fd = mkstemp(name);
    EXPECT_GE(fd, 0);
    close(fd);
    std::remove(name);
    path_ = std::string(name) + suffix;
    FILE* f = std::fopen(path_.c_str(), "wb");
    EXPECT_NE(nullptr, f);
    if (f) {
      std::fwrite(content.data(), 1, content.size(), f);
      std::fclose(f);
    }
  }
  ~TempFlic() { std::remove(path_.c_str()); }
  const char* path() const { return path_.c_str(); }

 private:
  std::string path_;
};

// Loads content as FLC or FLI the way the converter does after choosing the type.
inline FlicLoadResult LoadBytes(const Bytes& content, bool flc) {
  FreeMovie();
  TempFlic file(content, flc ? ".FLC" : ".FLI");
  g_isFlc = flc ? 1 : 0;
  return LoadFlicMovie(file.path());
}

// The loaded frame's pixel at flic column x of flic line y (0 = top).
inline int PixelAt(int x, int y) {
  return g_frameBits[size_t(g_height - 1 - y) * g_pitch + x];
}

// A frame buffer of exactly g_pitch x g_height bytes for the decoders to write into, so
// the sanitizer catches any write outside it.
class FrameFixture : public ::testing::Test {
 protected:
  void Use(int width, int height) {
    g_width = width;
    g_height = height;
    g_pitch = (width + 3) / 4 * 4;
    pixels_.assign(size_t(g_pitch) * height, 0);
    g_frameBits = pixels_.data();
  }
  void TearDown() override { g_frameBits = nullptr; }
  // Flic line y from the top, whole pitch.
  Bytes Line(int y) const {
    const uint8_t* row = pixels_.data() + size_t(g_height - 1 - y) * g_pitch;
    return Bytes(row, row + g_pitch);
  }
  int At(int x, int y) const { return pixels_[size_t(g_height - 1 - y) * g_pitch + x]; }
  bool AllZero() const {
    for (uint8_t v : pixels_)
      if (v) return false;
    return true;
  }
  std::vector<uint8_t> pixels_;
};

inline int Decode(int (*decoder)(ByteReader&), const Bytes& data) {
  ByteReader r(data.data(), data.size());
  return decoder(r);
}
