// Host test support shared by the reader tests (Targa, GIF, JPEG, TIFF): a scratch folder
// and a test fixture around it, a loaded record that cleans up after itself, the comparison
// of a 24-bit record with a reference tool's picture, and a file that changes between a
// reader's two passes.
#pragma once
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "checked_size.h"
#include "dib.h"
#include "platform.h"
#include "readers/reader_state.h"

// A fresh folder under /tmp, removed with everything in it when it goes.
class ScratchDir {
 public:
  ScratchDir() {
    char tmpl[] = "/tmp/xqv-readers-XXXXXX";
    if (mkdtemp(tmpl)) dir_ = tmpl;
  }
  ~ScratchDir() {
    if (!Remove()) std::fprintf(stderr, "could not remove %s\n", dir_.c_str());
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  bool ok() const { return !dir_.empty(); }
  const std::string& path() const { return dir_; }
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
    std::string path = Path(name);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f) {
      if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
      std::fclose(f);
    }
    return path;
  }
  std::string WriteString(const std::string& name, const std::string& bytes) const {
    return Write(name, std::vector<uint8_t>(bytes.begin(), bytes.end()));
  }
  // Removes the folder now (true when it is gone or was never made).
  bool Remove() {
    if (dir_.empty()) return true;
    std::string cmd = "rm -rf '" + dir_ + "'";
    bool gone = std::system(cmd.c_str()) == 0;
    if (gone) dir_.clear();
    return gone;
  }

 private:
  std::string dir_;
};

inline std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

// A reader test with a scratch folder of its own (checked to be made and removed), the
// allocation failures of the host stand-in switched off around it, and the number of live
// palettes at its start.
class ReaderFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.ok()) << "no scratch folder";
    HostFailLocalAllocAfter(-1);
    palettesBefore_ = HostLivePaletteCount();
  }
  void TearDown() override {
    HostFailLocalAllocAfter(-1);
    ASSERT_TRUE(dir_.Remove()) << "could not remove " << dir_.path();
  }
  std::string Path(const std::string& name) const { return dir_.Path(name); }
  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
    return dir_.Write(name, bytes);
  }
  std::string WriteString(const std::string& name, const std::string& bytes) const {
    return dir_.WriteString(name, bytes);
  }

  ScratchDir dir_;
  int palettesBefore_ = 0;
};

// A record from a loader together with the palette it left in the slot; both are released
// when it goes.
struct Loaded {
  BITMAPINFOHEADER* dib = nullptr;
  HPALETTE palette = nullptr;
  Loaded() = default;
  Loaded(const Loaded&) = delete;
  Loaded& operator=(const Loaded&) = delete;
  Loaded(Loaded&& o) noexcept : dib(o.dib), palette(o.palette) { o.dib = nullptr, o.palette = nullptr; }
  ~Loaded() {
    if (dib) LocalFree(dib);
    if (palette) DeleteObject(palette);
  }
  int width() const { return dib->biWidth; }
  int height() const { return dib->biHeight; }
  size_t stride() const { return (size_t(dib->biWidth) * dib->biBitCount + 31) / 32 * 4; }
  // Image row y (0 = top) of the bottom-up record.
  const BYTE* Row(int y) const { return DibPixels(dib) + stride() * size_t(height() - 1 - y); }
};

template <typename Loader>
Loaded LoadWith(Loader loader, const std::string& path) {
  Loaded l;
  l.dib = loader(path.c_str(), &l.palette);
  return l;
}

// The loader's result with the host's LocalAlloc failing after `successfulCalls` calls.
template <typename Loader>
Loaded LoadWithLocalAllocFailing(Loader loader, const std::string& path, int successfulCalls) {
  HostFailLocalAllocAfter(successfulCalls);
  Loaded l = LoadWith(loader, path);
  HostFailLocalAllocAfter(-1);
  return l;
}

// The loader's result with the largest allocation allowed lowered to `limit` bytes.
template <typename Loader>
Loaded LoadWithImageLimit(Loader loader, const std::string& path, size_t limit) {
  size_t saved = g_maxImageBytes;
  g_maxImageBytes = limit;
  Loaded l = LoadWith(loader, path);
  g_maxImageBytes = saved;
  return l;
}

// The header of a bottom-up 24-bit record without colour table of the given size, whose
// rows are `stride` bytes apart (and so the reader's working record says).
inline void ExpectRgbRecordHeader(const BITMAPINFOHEADER* dib, LONG width, LONG height,
                                  LONG stride) {
  ASSERT_NE(nullptr, dib);
  EXPECT_EQ(40u, dib->biSize);
  EXPECT_EQ(width, dib->biWidth);
  EXPECT_EQ(height, dib->biHeight);
  EXPECT_EQ(1, dib->biPlanes);
  EXPECT_EQ(24, dib->biBitCount);
  EXPECT_EQ(DWORD(BI_RGB), dib->biCompression);
  EXPECT_EQ(DWORD(stride * height), dib->biSizeImage);
  EXPECT_EQ(0u, dib->biClrUsed);
  EXPECT_EQ(0u, dib->biClrImportant);
  EXPECT_EQ(0, dib->biXPelsPerMeter);
  EXPECT_EQ(stride, g_readerState.stride);
}

// A decoded picture as a reference tool wrote it: rows from the top, red, green, blue.
struct RgbPicture {
  int width = 0, height = 0;
  std::vector<unsigned char> rgb;
};

// Every pixel of the 24-bit record equals the reference, and every row's padding is 0.
inline ::testing::AssertionResult RecordMatches(const BITMAPINFOHEADER* dib,
                                                const RgbPicture& ref) {
  if (dib->biWidth != ref.width || dib->biHeight != ref.height)
    return ::testing::AssertionFailure() << "size: expected " << ref.width << "x" << ref.height
                                         << ", got " << dib->biWidth << "x" << dib->biHeight;
  size_t stride = (size_t(ref.width) * 3 + 3) / 4 * 4;
  const unsigned char* rows = reinterpret_cast<const unsigned char*>(dib + 1);
  for (int y = 0; y < ref.height; ++y) {
    const unsigned char* row = rows + size_t(ref.height - 1 - y) * stride;
    for (int x = 0; x < ref.width; ++x) {
      const unsigned char* want = &ref.rgb[(size_t(y) * ref.width + x) * 3];
      const unsigned char* got = row + x * 3;
      if (got[0] != want[2] || got[1] != want[1] || got[2] != want[0])
        return ::testing::AssertionFailure()
               << "pixel (" << x << "," << y << "): expected rgb " << int(want[0]) << ","
               << int(want[1]) << "," << int(want[2]) << ", got " << int(got[2]) << ","
               << int(got[1]) << "," << int(got[0]);
    }
    for (size_t b = size_t(ref.width) * 3; b < stride; ++b)
      if (row[b] != 0)
        return ::testing::AssertionFailure() << "row " << y << " padding byte " << b << " is "
                                             << int(row[b]);
  }
  return ::testing::AssertionSuccess();
}

// A file that gives a reader's first open one content and every later open another, as a
// file rewritten between the header pass and the decode pass would: the first open meets a
// named pipe, which is replaced by the second content as soon as the reader has opened it
// (the reader is then still waiting for the pipe's bytes, so its second open comes after).
class ChangingFile {
 public:
  ChangingFile(const std::string& path, std::vector<uint8_t> first,
               const std::vector<uint8_t>& second)
      : path_(path) {
    signal(SIGPIPE, SIG_IGN);
    std::string next = path + ".next";
    if (FILE* f = std::fopen(next.c_str(), "wb")) {
      std::fwrite(second.data(), 1, second.size(), f);
      std::fclose(f);
    }
    mkfifo(path.c_str(), 0600);
    writer_ = std::thread([this, next, first] { Serve(next, first); });
  }
  ~ChangingFile() {
    writer_.join();
    unlink(path_.c_str());
    unlink((path_ + ".next").c_str());
  }

 private:
  void Serve(const std::string& next, const std::vector<uint8_t>& bytes) {
    // At most 5 s for the reader to open: a reader that gave up early must not hang the test.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    int fd;
    while ((fd = open(path_.c_str(), O_WRONLY | O_NONBLOCK)) < 0) {
      if (std::chrono::steady_clock::now() > deadline) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    rename(next.c_str(), path_.c_str());
    fcntl(fd, F_SETFL, 0);
    size_t done = 0;
    while (done < bytes.size()) {
      ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
      if (n <= 0) break;
      done += size_t(n);
    }
    close(fd);
  }
  std::string path_;
  std::thread writer_;
};
