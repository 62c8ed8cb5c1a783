// Writes the generated TIFF test files into a folder, for the end-to-end tests on Wine.
//     make_tiff_samples <folder>               every sample, one line each: name width height readable
//     make_tiff_samples --large <path> <w> <h> a deflate file for the benchmark
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tiff_samples.h"

int main(int argc, char** argv) {
  if (argc == 5 && strcmp(argv[1], "--large") == 0)
    return WriteLargeDeflateTiff(argv[2], atoi(argv[3]), atoi(argv[4])) ? 0 : 1;
  if (argc != 2) {
    fprintf(stderr, "usage: make_tiff_samples <folder> | --large <path> <width> <height>\n");
    return 2;
  }
  std::vector<TiffSample> samples = WriteTiffSamples(argv[1]);
  for (const TiffSample& s : samples)
    printf("%s %d %d %d\n", s.name.c_str(), s.width, s.height, s.readable ? 1 : 0);
  return samples.empty() ? 1 : 0;
}
