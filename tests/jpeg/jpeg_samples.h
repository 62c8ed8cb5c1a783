// Generated JPEG test files: every kind the reader must handle (baseline, progressive,
// restart markers, grey, CMYK, YCCK, odd sizes, cut short), written with libjpeg from
// pictures drawn here, for the host tests and the end-to-end tests on Wine.
#pragma once
#include <string>
#include <vector>

#include "test_picture.h"  // DrawTestPicture

struct JpegSample {
  std::string name;  // file name inside the folder
  int width, height;
};

// Writes every sample into `folder` (which must exist); returns what it wrote, or an empty
// list when something could not be written.
std::vector<JpegSample> WriteJpegSamples(const std::string& folder);
