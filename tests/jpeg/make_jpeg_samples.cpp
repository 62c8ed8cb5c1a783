// Writes the generated JPEG test files into a folder, for the end-to-end tests on Wine.
//     make_jpeg_samples <folder>
#include <cstdio>

#include "jpeg_samples.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: make_jpeg_samples <folder>\n");
    return 2;
  }
  std::vector<JpegSample> samples = WriteJpegSamples(argv[1]);
  for (const JpegSample& s : samples) printf("%s %d %d\n", s.name.c_str(), s.width, s.height);
  return samples.empty() ? 1 : 0;
}
