// Host benchmark of the converter's stepping against ffmpeg's flic decoder on the very same
// files, three generated here: a 640 x 480 FLC of word deltas (every other line rewritten in
// four packets, about 60% of the picture), a 320 x 200 FLI of line deltas made mostly of
// literal packets, and a 320 x 200 FLI of line deltas made mostly of byte runs (byte-run
// chunks themselves are ignored after frame 1, so frames of them would measure nothing).
// Ours: processor time of this thread stepping every frame, best of 22 passes. ffmpeg: processor
// time of the child (user + system) decoding the whole file (looped to about 12,000 frames)
// minus decoding its first frame only, best of several runs each, divided by the extra
// frames: its start-up cancels out.
// Then the scale check: the word-delta FLC at 150 and at 600 frames, per-frame costs compared.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench_clock.h"
#include "flic.h"

extern char** environ;

namespace {

using Bytes = std::vector<uint8_t>;
const int kFfmpegRuns = 11;
const long kFfmpegFrames = 12000;

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

// Every other line rewritten in four packets of literal and repeated pixel pairs.
Bytes WordDelta(int k, int height) {
  Bytes d;
  int start = k % 2;
  Put16(d, uint16_t((height - start + 1) / 2));
  for (int y = start; y < height; y += 2) {
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

// A line delta over all lines; packets are (skip, count, run?) with runs of one byte.
Bytes LineDelta(int k, int height, bool everyLine, const std::vector<std::array<int, 3>>& packets) {
  Bytes d;
  int first = everyLine ? 0 : k % 2;
  int count = height - first;
  Put16(d, uint16_t(first));
  Put16(d, uint16_t(count));
  for (int y = first; y < first + count; ++y) {
    if (!everyLine && (y - first) % 2) {
      d.push_back(0);  // the unchanged line in between
      continue;
    }
    d.push_back(uint8_t(packets.size()));
    uint8_t seed = uint8_t(y * 7 + k * 13);
    int n = 0;
    for (const auto& p : packets) {
      d.push_back(uint8_t(p[0]));
      if (p[2]) {
        d.push_back(uint8_t(-p[1]));
        d.push_back(uint8_t(seed + n++ * 29));
      } else {
        d.push_back(uint8_t(p[1]));
        for (int i = 0; i < p[1]; ++i) d.push_back(uint8_t(seed + i));
      }
    }
  }
  return d;
}

enum Kind { WORD_DELTA_FLC, LINE_DELTA_FLI, RUNS_FLI };

struct Movie {
  const char* name;
  Kind kind;
  int width, height, frames;
  std::string path;
};

// Frame 1 (colours and a literal picture), then `frames` delta frames: the last one stands
// for the ring frame, so stepping `frames` times reads each delta frame once.
bool WriteMovie(Movie* m) {
  bool flc = m->kind == WORD_DELTA_FLC;
  Bytes file;
  Put32(file, 0);  // file size, not read
  Put16(file, flc ? 0xAF12 : 0xAF11);
  Put16(file, unsigned(m->frames));
  Put16(file, unsigned(m->width));
  Put16(file, unsigned(m->height));
  Put16(file, 8);
  Put16(file, 0);
  Put16(file, 5);  // speed
  file.resize(128, 0);
  if (flc) file[80] = 128;
  Bytes colors;
  Put16(colors, 1);
  colors.push_back(0);
  colors.push_back(0);  // 256 entries
  for (int i = 0; i < 256; ++i) {
    colors.push_back(uint8_t(i / 4));
    colors.push_back(uint8_t(63 - i / 4));
    colors.push_back(uint8_t(i % 64));
  }
  Bytes literal(size_t(m->width) * m->height);
  for (size_t i = 0; i < literal.size(); ++i)
    literal[i] = uint8_t(i % m->width / 8 + i / m->width / 8);
  Bytes first = Frame({{11, colors}, {16, literal}});
  file.insert(file.end(), first.begin(), first.end());
  // Line deltas: mostly literal packets (240 of 320 columns, 180 of them copied, on every
  // other line),
  // or mostly runs (seven runs and one literal packet over all 320 columns of every line).
  const std::vector<std::array<int, 3>> literalPackets = {
      {16, 80, 0}, {20, 60, 1}, {30, 50, 0}, {14, 40, 0}, {0, 10, 0}};
  const std::vector<std::array<int, 3>> runPackets = {{0, 40, 1}, {0, 40, 1}, {0, 40, 1},
                                                      {0, 40, 0}, {0, 40, 1}, {0, 40, 1},
                                                      {0, 40, 1}, {0, 40, 1}};
  for (int k = 1; k <= m->frames; ++k) {
    Bytes f = m->kind == WORD_DELTA_FLC ? Frame({{7, WordDelta(k, m->height)}})
              : m->kind == LINE_DELTA_FLI
                  ? Frame({{12, LineDelta(k, m->height, false, literalPackets)}})
                  : Frame({{12, LineDelta(k, m->height, true, runPackets)}});
    file.insert(file.end(), f.begin(), f.end());
  }
  char name[] = "/tmp/bench_flic_stepXXXXXX";
  int fd = mkstemp(name);
  if (fd < 0) return false;
  close(fd);
  std::remove(name);
  m->path = std::string(name) + (flc ? ".flc" : ".fli");
  FILE* out = std::fopen(m->path.c_str(), "wb");
  if (!out) return false;
  bool ok = std::fwrite(file.data(), 1, file.size(), out) == file.size();
  return std::fclose(out) == 0 && ok;
}

// Processor time per step of our stepping through every frame of the movie: the best of 11
// passes after one untimed pass.
double OursSecondsPerFrame(const Movie& m) {
  g_isFlc = m.kind == WORD_DELTA_FLC;
  if (LoadFlicMovie(m.path.c_str()) != FLIC_LOADED) return -1;
  bool failed = false;
  double best = 1e9;
  for (int pass = 0; pass <= 11; ++pass) {
    double start = CpuSeconds();
    for (int i = 0; i < m.frames; ++i)
      if (StepFlicFrame(g_isFlc) != STEP_DONE) failed = true;
    if (pass) best = std::min(best, CpuSeconds() - start);
  }
  FreeMovie();
  return failed ? -1 : best / m.frames;
}

// Processor time (user + system) of one child process, -1 when it could not run or failed.
double ChildSeconds(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid;
  int error = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error) return -1;
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status))
    return -1;
  auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The frames ffmpeg decodes from the file, as ffprobe counts them; 0 when unknown.
long FfmpegFrameCount(const std::string& path) {
  std::string command = "ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                        "stream=nb_read_frames -of csv=p=0 '" + path + "' 2>/dev/null";
  FILE* p = popen(command.c_str(), "r");
  if (!p) return 0;
  long frames = 0;
  if (std::fscanf(p, "%ld", &frames) != 1) frames = 0;
  pclose(p);
  return frames;
}

// ffmpeg's processor time per decoded frame beyond the first, start-up excluded; -1 when
// ffmpeg is missing or failed. Its start-up alone costs several times a whole short file and
// varies by more than that file's decoding, so the whole-file run decodes the file over and
// over (-stream_loop) until it has done about kFfmpegFrames frames. Whole and one-frame runs
// alternate so load changes hit both.
double FfmpegSecondsPerFrame(const Movie& m, long* frames) {
  long perPass = FfmpegFrameCount(m.path);
  if (perPass < 2) return -1;
  long passes = (kFfmpegFrames + perPass - 1) / perPass;
  *frames = perPass * passes;
  double whole = 1e9, one = 1e9;
  for (int run = 0; run < kFfmpegRuns; ++run) {
    double w = ChildSeconds({"ffmpeg", "-v", "error", "-xerror", "-nostdin", "-stream_loop",
                             std::to_string(passes - 1), "-i", m.path, "-f", "null", "-"});
    double o = ChildSeconds({"ffmpeg", "-v", "error", "-xerror", "-nostdin", "-i", m.path,
                             "-frames:v", "1", "-f", "null", "-"});
    if (w < 0 || o < 0) return -1;
    whole = std::min(whole, w);
    one = std::min(one, o);
  }
  return (whole - one) / double(*frames - 1);
}

}  // namespace

int main() {
  Movie movies[] = {
      {"640x480 FLC, word deltas", WORD_DELTA_FLC, 640, 480, 600, ""},
      {"320x200 FLI, line deltas", LINE_DELTA_FLI, 320, 200, 2000, ""},
      {"320x200 FLI, mostly runs", RUNS_FLI, 320, 200, 2000, ""},
  };
  std::printf("  ours: processor time of this thread stepping every frame (file read and chunks),"
              "\n  best of 11 passes before and 11 after ffmpeg's runs\n");
  std::printf("  ffmpeg: processor time of the child decoding the file over and over (about %ld"
              " frames)\n  minus that of decoding its first frame only (-v error -xerror -nostdin"
              " [-stream_loop N] -i F\n  [-frames:v 1] -f null -, best of %d each), divided by"
              " the extra frames: its start-up\n  cancels out (frames per pass as ffprobe counts"
              " them, frame 1 included)\n",
              kFfmpegFrames, kFfmpegRuns);
  std::printf("  (ffmpeg mis-decodes two valid constructs, neither of which these files use:"
              " literal\n  chunks of widths not a multiple of 4, and the word delta's last-pixel"
              " word)\n");
  std::printf("  %-26s %7s %7s %14s %15s %7s\n", "file", "steps", "ffmpeg", "ours frames/s",
              "ffmpeg frames/s", "ratio");
  std::vector<std::string> lines;
  int status = 0;
  for (Movie& m : movies) {
    if (!WriteMovie(&m)) return 1;
    // Ours before and after ffmpeg's runs: a busy spell of the machine rarely covers both.
    double ours = OursSecondsPerFrame(m);
    long ffmpegFrames = 0;
    double ref = FfmpegSecondsPerFrame(m, &ffmpegFrames);
    double again = OursSecondsPerFrame(m);
    if (ours > 0 && again > 0) ours = std::min(ours, again);
    std::remove(m.path.c_str());
    if (ours <= 0) {
      std::printf("  %s: stepping failed\n", m.name);
      return 1;
    }
    if (ref <= 0) {
      std::printf("  %-26s %7d %7s %14.0f %15s\n", m.name, m.frames, "-", 1 / ours, "(no ffmpeg)");
      status = 1;
      continue;
    }
    std::printf("  %-26s %7d %7ld %14.0f %15.0f %7.2f\n", m.name, m.frames, ffmpegFrames, 1 / ours,
                1 / ref, ref / ours);
    char line[128];
    std::snprintf(line, sizeof line, "%s stepping vs ffmpeg (%s): %.2fx",
                  m.kind == WORD_DELTA_FLC ? "FLC" : "FLI", m.name, ref / ours);
    lines.push_back(line);
  }

  // Scale: the same word-delta frames at a quarter of the frame count.
  Movie small = {"640x480 FLC, word deltas", WORD_DELTA_FLC, 640, 480, 150, ""};
  Movie large = {"640x480 FLC, word deltas", WORD_DELTA_FLC, 640, 480, 600, ""};
  if (!WriteMovie(&small) || !WriteMovie(&large)) return 1;
  double smallCost = 1e9, largeCost = 1e9;
  for (int round = 0; round < 3; ++round) {  // alternating, so a busy spell hits both sizes
    double s1 = OursSecondsPerFrame(small), s2 = OursSecondsPerFrame(large);
    if (s1 <= 0 || s2 <= 0) return 1;
    smallCost = std::min(smallCost, s1);
    largeCost = std::min(largeCost, s2);
  }
  std::remove(small.path.c_str());
  std::remove(large.path.c_str());
  if (smallCost <= 0 || largeCost <= 0) return 1;
  double scale = largeCost / smallCost;
  std::printf("  scale: %.2f us per frame stepping 150 frames, %.2f us stepping 600 (limit 1.25)\n",
              1e6 * smallCost, 1e6 * largeCost);

  for (const std::string& l : lines) std::printf("%s\n", l.c_str());
  std::printf("FLC stepping scale, per-frame cost 600 frames / 150 frames: %.2fx\n", scale);
  return status;
}
