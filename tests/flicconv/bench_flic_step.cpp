// Host benchmark of the converter's stepping: a generated 600-frame 640 x 480 FLC of
// word-delta frames (every other line rewritten in four runs, about 60% of the picture) is
// loaded and stepped through, frames per second printed against a reference measured in
// the same run: copying one whole frame per step.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "flic.h"

namespace {

using Bytes = std::vector<uint8_t>;
const int kWidth = 640, kHeight = 480, kFrames = 600, kRuns = 5;

void Put16(Bytes& b, unsigned v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}
void Put32(Bytes& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
void AddChunk(Bytes& frame, int type, const Bytes& data) {
  Put32(frame, uint32_t(6 + data.size()));
  Put16(frame, uint16_t(type));
  frame.insert(frame.end(), data.begin(), data.end());
}
Bytes Frame(const std::vector<std::pair<int, Bytes>>& chunks) {
  Bytes body;
  for (const auto& c : chunks) AddChunk(body, c.first, c.second);
  Bytes f;
  Put32(f, uint32_t(16 + body.size()));
  Put16(f, 0xF1FA);
  Put16(f, uint16_t(chunks.size()));
  f.resize(16, 0);
  f.insert(f.end(), body.begin(), body.end());
  return f;
}

Bytes WordDelta(int k) {
  Bytes d;
  int start = k % 2;
  Put16(d, uint16_t((kHeight - start + 1) / 2));
  for (int y = start; y < kHeight; y += 2) {
    if (y != start || start) Put16(d, 0xFFFF);  // skip the unchanged line in between
    Put16(d, 4);
    uint8_t seed = uint8_t(y * 7 + k * 13);
    const int packets[4][3] = {{8, 0, 40}, {20, 1, 60}, {30, 0, 50}, {16, 1, 40}};
    for (const auto& p : packets) {
      d.push_back(uint8_t(2 * p[0]));
      if (p[1]) {
        d.push_back(uint8_t(-p[2]));
        d.push_back(seed);
        d.push_back(uint8_t(255 - seed));
      } else {
        d.push_back(uint8_t(p[2]));
        for (int i = 0; i < 2 * p[2]; ++i) d.push_back(uint8_t(seed + i));
      }
    }
  }
  return d;
}

std::string WriteMovie() {
  Bytes file(128, 0);
  file[4] = 0x12;
  file[5] = 0xAF;
  file[6] = uint8_t(kFrames);
  file[7] = uint8_t(kFrames >> 8);
  file[8] = uint8_t(kWidth);
  file[9] = uint8_t(kWidth >> 8);
  file[10] = uint8_t(kHeight);
  file[11] = uint8_t(kHeight >> 8);
  file[80] = 128;
  Bytes literal(size_t(kWidth) * kHeight);
  for (size_t i = 0; i < literal.size(); ++i) literal[i] = uint8_t(i % kWidth / 8 + i / kWidth / 8);
  Bytes first = Frame({{16, literal}});
  file.insert(file.end(), first.begin(), first.end());
  for (int k = 1; k <= kFrames; ++k) {
    Bytes f = Frame({{7, WordDelta(k)}});
    file.insert(file.end(), f.begin(), f.end());
  }
  std::string path = "/tmp/bench_flic_step_" + std::to_string(std::chrono::steady_clock::now()
                                                                  .time_since_epoch().count()) +
                     ".flc";
  FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return "";
  std::fwrite(file.data(), 1, file.size(), out);
  std::fclose(out);
  return path;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main() {
  std::string path = WriteMovie();
  if (path.empty()) return 1;
  g_isFlc = 1;
  if (LoadFlicMovie(path.c_str()) != FLIC_LOADED) return 1;
  double best = 1e9;
  for (int run = 0; run < kRuns; ++run) {
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kFrames; ++i)
      if (StepFlicFrame(1) != STEP_DONE) return 1;
    best = std::min(best, Seconds(start));
  }
  FreeMovie();
  std::remove(path.c_str());

  // Reference: one whole-frame copy per step.
  std::vector<uint8_t> a(size_t(kWidth) * kHeight, 1), b(a.size());
  double copy = 1e9;
  for (int run = 0; run < kRuns; ++run) {
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kFrames; ++i) {
      a[size_t(i) % a.size()] = uint8_t(i);
      std::memcpy(b.data(), a.data(), a.size());
    }
    copy = std::min(copy, Seconds(start));
    if (b[0] == 42) std::printf(" ");
  }
  std::printf("  stepping %d frames %dx%d of word deltas: %.0f frames/s (%.2f ms each)\n", kFrames,
              kWidth, kHeight, kFrames / best, 1000 * best / kFrames);
  std::printf("  reference, one frame copy per step:       %.0f frames/s\n", kFrames / copy);
  std::printf("  ratio stepping / frame copy: %.2f\n", best / copy);
  return 0;
}
