// The fuzz targets' way into code that reads a file by its path: each input is written to
// one scratch file of the process (in memory-backed /dev/shm where there is one).
#pragma once
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

inline const std::string& FuzzScratchPath(const char* ext) {
  static const std::string path = [ext] {
    const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    return std::string(dir) + "/xqv-fuzz-" + std::to_string(getpid()) + ext;
  }();
  return path;
}

// Writes the input to the scratch file and returns its path; a run that cannot write its
// inputs would test nothing, so it stops there.
inline const std::string& WriteFuzzInput(const char* ext, const uint8_t* data, size_t size) {
  const std::string& path = FuzzScratchPath(ext);
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  if (size && std::fwrite(data, 1, size, f) != size) std::abort();
  if (std::fclose(f) != 0) std::abort();
  return path;
}
