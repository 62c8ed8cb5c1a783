// Generated JPEG test files: every kind the reader must handle (baseline, progressive,
// restart markers, grey, CMYK, YCCK, odd sizes, cut short), written with libjpeg from
// pictures drawn here, for the host tests and the end-to-end tests on Wine.
#pragma once
#include <string>
#include <vector>

struct JpegSample {
  std::string name;  // file name inside the folder
  int width, height;
};

// Writes every sample into `folder` (which must exist); returns what it wrote, or an empty
// list when something could not be written.
std::vector<JpegSample> WriteJpegSamples(const std::string& folder);

// The test picture: w x h pixels of red, green, blue bytes, rows from the top. It has pure
// red, green, blue and white blocks in the top-left quarter, gradients and fine detail.
std::vector<unsigned char> DrawTestPicture(int w, int h);
