// Scratch files for the GIF and Targa host tests, a loaded record that cleans up after
// itself, and a file that changes between a reader's two passes.
#pragma once
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "dib.h"
#include "platform.h"

class ScratchDir {
 public:
  ScratchDir() {
    char tmpl[] = "/tmp/xqv-readers-XXXXXX";
    dir_ = mkdtemp(tmpl);
  }
  ~ScratchDir() {
    std::string cmd = "rm -rf '" + dir_ + "'";
    if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "could not remove %s\n", dir_.c_str());
  }
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

 private:
  std::string dir_;
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
