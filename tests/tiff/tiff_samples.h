// Generated TIFF test files: both orientations, palette, bilevel, grey, RGB, RGBA, several
// pages, tiles, separate planes, 16-bit samples, deflate, LZW, PackBits and JPEG compression,
// and a 32-bit float image the RGBA interface refuses. Written with libtiff from pictures
// drawn here, for the host tests and the end-to-end tests on Wine.
#pragma once
#include <string>
#include <vector>

struct TiffSample {
  std::string name;
  int width, height;
  bool readable;  // false where libtiff's RGBA interface cannot convert the image
};

// Writes every sample into `folder` (which must exist); returns the list, or an empty list
// when something could not be written.
std::vector<TiffSample> WriteTiffSamples(const std::string& folder);

// A deflate-compressed RGB file of the given size with a smooth picture (for benchmarks).
bool WriteLargeDeflateTiff(const std::string& path, int width, int height);
