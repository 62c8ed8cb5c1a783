// Writes the generated JPEG test files with libjpeg's compressor.
#include "jpeg_samples.h"

#include <cstdio>
#include <cstring>

#include <jpeglib.h>

namespace {

enum SampleKind { kColour, kGrey, kCmyk, kYcck };

struct SampleRecipe {
  const char* name;
  int width, height;
  SampleKind kind;
  int quality;
  bool progressive;
  int restartRows;  // restart interval in MCU rows, 0 for none
  bool subsample;   // 2x2 chroma subsampling (the library's default) or none
  long cutAt;       // keep only the first cutAt bytes, 0 to keep all
};

const SampleRecipe kSamples[] = {
    {"baseline.jpg", 97, 61, kColour, 85, false, 0, true, 0},
    {"baseline444.jpg", 64, 48, kColour, 95, false, 0, false, 0},
    {"progressive.jpg", 120, 80, kColour, 80, true, 0, true, 0},
    {"restart.jpg", 90, 70, kColour, 75, false, 1, true, 0},
    {"grey.jpg", 50, 33, kGrey, 90, false, 0, true, 0},
    {"cmyk.jpg", 40, 30, kCmyk, 90, false, 0, false, 0},
    {"ycck.jpg", 42, 31, kYcck, 90, false, 0, true, 0},
    {"width7.jpg", 7, 5, kColour, 90, false, 0, true, 0},
    {"truncated.jpg", 160, 120, kColour, 90, false, 0, true, 2500},
    {"truncated_progressive.jpg", 160, 120, kColour, 90, true, 0, true, 4000},
};

// Inverted CMYK as Adobe writes it (255 = no ink), from RGB.
void RgbToInvertedCmyk(const unsigned char* rgb, unsigned char* cmyk) {
  int c = 255 - rgb[0], m = 255 - rgb[1], y = 255 - rgb[2];
  int k = c < m ? (c < y ? c : y) : (m < y ? m : y);
  if (k == 255) {
    cmyk[0] = cmyk[1] = cmyk[2] = 255;
  } else {
    cmyk[0] = (unsigned char)(255 - (c - k) * 255 / (255 - k));
    cmyk[1] = (unsigned char)(255 - (m - k) * 255 / (255 - k));
    cmyk[2] = (unsigned char)(255 - (y - k) * 255 / (255 - k));
  }
  cmyk[3] = (unsigned char)(255 - k);
}

bool WriteSample(const std::string& path, const SampleRecipe& recipe) {
  std::vector<unsigned char> rgb = DrawTestPicture(recipe.width, recipe.height);
  int components = recipe.kind == kGrey ? 1 : recipe.kind == kColour ? 3 : 4;
  std::vector<unsigned char> samples(size_t(recipe.width) * recipe.height * components);
  for (size_t i = 0; i < size_t(recipe.width) * recipe.height; ++i) {
    const unsigned char* p = &rgb[i * 3];
    if (components == 1)
      samples[i] = (unsigned char)((p[0] * 77 + p[1] * 150 + p[2] * 29) >> 8);
    else if (components == 3)
      memcpy(&samples[i * 3], p, 3);
    else
      RgbToInvertedCmyk(p, &samples[i * 4]);
  }

  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return false;
  jpeg_compress_struct info;
  jpeg_error_mgr err;
  info.err = jpeg_std_error(&err);  // a library error here ends the test program: fine
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, f);
  info.image_width = recipe.width;
  info.image_height = recipe.height;
  info.input_components = components;
  info.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
  jpeg_set_defaults(&info);
  if (recipe.kind == kYcck) jpeg_set_colorspace(&info, JCS_YCCK);
  jpeg_set_quality(&info, recipe.quality, TRUE);
  if (!recipe.subsample)
    for (int c = 0; c < info.num_components; ++c)
      info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
  if (recipe.progressive) jpeg_simple_progression(&info);
  info.restart_in_rows = recipe.restartRows;
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = &samples[size_t(info.next_scanline) * recipe.width * components];
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  if (fclose(f) != 0) return false;

  if (recipe.cutAt > 0) {
    std::vector<unsigned char> bytes;
    f = fopen(path.c_str(), "rb");
    if (!f) return false;
    bytes.resize(size_t(recipe.cutAt));
    bytes.resize(fread(bytes.data(), 1, bytes.size(), f));
    fclose(f);
    f = fopen(path.c_str(), "wb");
    if (!f) return false;
    bool complete = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (fclose(f) != 0 || !complete) return false;
  }
  return true;
}

}  // namespace

std::vector<JpegSample> WriteJpegSamples(const std::string& folder) {
  std::vector<JpegSample> written;
  for (const SampleRecipe& recipe : kSamples) {
    if (!WriteSample(folder + "/" + recipe.name, recipe)) return {};
    written.push_back({recipe.name, recipe.width, recipe.height});
  }
  return written;
}
