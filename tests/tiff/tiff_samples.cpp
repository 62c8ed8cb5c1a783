// Writes the generated TIFF test files with libtiff.
#include "tiff_samples.h"

#include <cstdint>
#include <cstring>

#include <tiffio.h>

#include "test_picture.h"

namespace {

// The test picture (test_picture.h) as red, green, blue, alpha bytes, rows from the top,
// with alpha falling to the right.
std::vector<uint8_t> Picture(int w, int h) {
  std::vector<unsigned char> rgb = DrawTestPicture(w, h);
  std::vector<uint8_t> p(size_t(w) * h * 4);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      size_t i = size_t(y) * w + x;
      memcpy(&p[i * 4], &rgb[i * 3], 3);
      p[i * 4 + 3] = uint8_t(255 - x * 200 / (w > 1 ? w - 1 : 1));
    }
  }
  return p;
}

enum Layout { kRgb, kRgba, kRgbaAssociated, kGrey, kGrey16, kRgb16, kBilevel, kPalette,
              kFloat, kYcbcrJpeg, kSeparate };

struct Recipe {
  const char* name;
  int width, height;
  Layout layout;
  uint16_t compression = COMPRESSION_NONE;
  uint16_t orientation = ORIENTATION_TOPLEFT;  // or ORIENTATION_BOTLEFT
  int tile = 0;                                // tile size, 0 for strips
  int pages = 1;
  bool readable = true;
};

const Recipe kRecipes[] = {
    {"rgb_topleft.tif", 61, 43, kRgb},
    {"rgb_botleft.tif", 61, 43, kRgb, COMPRESSION_NONE, ORIENTATION_BOTLEFT},
    {"width3.tif", 3, 4, kRgb},
    {"palette.tif", 50, 30, kPalette},
    {"bilevel.tif", 37, 21, kBilevel},
    {"bilevel_g4.tif", 37, 21, kBilevel, COMPRESSION_CCITTFAX4},
    {"grey.tif", 45, 27, kGrey},
    {"grey16.tif", 45, 27, kGrey16},
    {"rgb16.tif", 33, 22, kRgb16},
    {"rgba.tif", 52, 36, kRgba},
    {"rgba_associated.tif", 52, 36, kRgbaAssociated},
    {"pages.tif", 40, 30, kRgb, COMPRESSION_NONE, ORIENTATION_TOPLEFT, 0, 3},
    {"deflate.tif", 70, 50, kRgb, COMPRESSION_ADOBE_DEFLATE},
    {"lzw.tif", 70, 50, kRgb, COMPRESSION_LZW},
    {"packbits.tif", 70, 50, kRgb, COMPRESSION_PACKBITS},
    {"jpeg.tif", 64, 48, kYcbcrJpeg, COMPRESSION_JPEG},
    {"tiled.tif", 75, 41, kRgb, COMPRESSION_ADOBE_DEFLATE, ORIENTATION_TOPLEFT, 16},
    // One tile (1.5 MiB) larger than eight bytes for each of the picture's pixels.
    {"big_tiles16.tif", 64, 64, kRgb16, COMPRESSION_NONE, ORIENTATION_TOPLEFT, 512},
    {"separate.tif", 30, 20, kSeparate, COMPRESSION_LZW},
    {"float32.tif", 20, 10, kFloat, COMPRESSION_NONE, ORIENTATION_TOPLEFT, 0, 1, false},
};

// One stored row (file row `row`, in the file's own order) of the sample's samples.
std::vector<uint8_t> StoredRow(const Recipe& s, const std::vector<uint8_t>& pic, int row, int page) {
  int y = s.orientation == ORIENTATION_BOTLEFT ? s.height - 1 - row : row;
  const uint8_t* src = &pic[size_t(y) * s.width * 4];
  std::vector<uint8_t> out;
  for (int x = 0; x < s.width; ++x) {
    const uint8_t* p = src + x * 4;
    uint8_t r = p[0], g = p[1], b = p[2], a = p[3];
    if (page > 0) std::swap(r, b);  // later pages differ from the first
    uint8_t grey = uint8_t((r * 77 + g * 150 + b * 29) >> 8);
    switch (s.layout) {
      case kRgb: case kYcbcrJpeg: out.insert(out.end(), {r, g, b}); break;
      case kRgba: out.insert(out.end(), {r, g, b, a}); break;
      case kRgbaAssociated:
        out.insert(out.end(), {uint8_t(r * a / 255), uint8_t(g * a / 255), uint8_t(b * a / 255), a});
        break;
      case kGrey: out.push_back(grey); break;
      case kGrey16: out.insert(out.end(), {uint8_t(grey * 7), grey}); break;  // little-endian
      case kRgb16:
        for (uint8_t v : {r, g, b}) out.insert(out.end(), {uint8_t(v ^ 0x5A), v});
        break;
      case kPalette: out.push_back(uint8_t((r >> 5) << 5 | (g >> 5) << 2 | (b >> 6))); break;
      case kBilevel:
        if (x % 8 == 0) out.push_back(0);
        if (grey < 128) out.back() |= uint8_t(0x80 >> (x % 8));  // min-is-white: 1 is black
        break;
      case kFloat: {
        float f = grey / 255.0f;
        uint8_t bytes[4];
        memcpy(bytes, &f, 4);
        out.insert(out.end(), bytes, bytes + 4);
        break;
      }
      case kSeparate: out.insert(out.end(), {r, g, b}); break;
    }
  }
  return out;
}

void SetFields(TIFF* t, const Recipe& s) {
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t(s.width));
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, uint32_t(s.height));
  TIFFSetField(t, TIFFTAG_ORIENTATION, s.orientation);
  TIFFSetField(t, TIFFTAG_COMPRESSION, s.compression);
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, s.layout == kSeparate ? PLANARCONFIG_SEPARATE
                                                              : PLANARCONFIG_CONTIG);
  uint16_t bits = 8, spp = 3, photometric = PHOTOMETRIC_RGB;
  switch (s.layout) {
    case kRgba: case kRgbaAssociated: {
      spp = 4;
      uint16_t extra = s.layout == kRgba ? EXTRASAMPLE_UNASSALPHA : EXTRASAMPLE_ASSOCALPHA;
      TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, &extra);
      break;
    }
    case kGrey: spp = 1; photometric = PHOTOMETRIC_MINISBLACK; break;
    case kGrey16: spp = 1; bits = 16; photometric = PHOTOMETRIC_MINISBLACK; break;
    case kRgb16: bits = 16; break;
    case kBilevel: spp = 1; bits = 1; photometric = PHOTOMETRIC_MINISWHITE; break;
    case kFloat:
      spp = 1; bits = 32; photometric = PHOTOMETRIC_MINISBLACK;
      TIFFSetField(t, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_IEEEFP);
      break;
    case kPalette: spp = 1; photometric = PHOTOMETRIC_PALETTE; break;
    default: break;
  }
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, bits);
  if (s.layout == kPalette) {  // after the sample size, which sets the map's length
    static uint16_t red[256], green[256], blue[256];
    for (int i = 0; i < 256; ++i) {
      red[i] = uint16_t(((i >> 5) * 255 / 7) * 257);
      green[i] = uint16_t((((i >> 2) & 7) * 255 / 7) * 257);
      blue[i] = uint16_t(((i & 3) * 255 / 3) * 257);
    }
    TIFFSetField(t, TIFFTAG_COLORMAP, red, green, blue);
  }
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, spp);
  if (s.layout == kYcbcrJpeg) {
    photometric = PHOTOMETRIC_YCBCR;
    TIFFSetField(t, TIFFTAG_YCBCRSUBSAMPLING, 2, 2);
    TIFFSetField(t, TIFFTAG_JPEGQUALITY, 85);
  }
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, photometric);
  if (s.layout == kYcbcrJpeg) TIFFSetField(t, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
  if (s.compression == COMPRESSION_ADOBE_DEFLATE || s.compression == COMPRESSION_LZW)
    if (bits == 8) TIFFSetField(t, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
  if (s.tile) {
    TIFFSetField(t, TIFFTAG_TILEWIDTH, uint32_t(s.tile));
    TIFFSetField(t, TIFFTAG_TILELENGTH, uint32_t(s.tile));
  } else {
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, uint32_t(s.layout == kYcbcrJpeg ? 16 : 7));
  }
}

bool WriteTiled(TIFF* t, const Recipe& s, const std::vector<uint8_t>& pic) {
  const size_t bpp = StoredRow(s, pic, 0, 0).size() / size_t(s.width);  // bytes a pixel
  std::vector<uint8_t> tile(size_t(s.tile) * s.tile * bpp);
  for (int ty = 0; ty < s.height; ty += s.tile) {
    for (int tx = 0; tx < s.width; tx += s.tile) {
      std::fill(tile.begin(), tile.end(), 0);
      for (int y = ty; y < ty + s.tile && y < s.height; ++y) {
        std::vector<uint8_t> row = StoredRow(s, pic, y, 0);
        for (int x = tx; x < tx + s.tile && x < s.width; ++x)
          memcpy(&tile[(size_t(y - ty) * s.tile + (x - tx)) * bpp], &row[size_t(x) * bpp], bpp);
      }
      if (TIFFWriteTile(t, tile.data(), uint32_t(tx), uint32_t(ty), 0, 0) < 0) return false;
    }
  }
  return true;
}

bool WritePage(TIFF* t, const Recipe& s, const std::vector<uint8_t>& pic, int page) {
  SetFields(t, s);
  if (s.pages > 1) {
    TIFFSetField(t, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
    TIFFSetField(t, TIFFTAG_PAGENUMBER, uint16_t(page), uint16_t(s.pages));
  }
  if (s.tile) {
    if (!WriteTiled(t, s, pic)) return false;
  } else if (s.layout == kSeparate) {
    for (uint16_t plane = 0; plane < 3; ++plane) {
      for (int y = 0; y < s.height; ++y) {
        std::vector<uint8_t> row = StoredRow(s, pic, y, page), one(size_t(s.width));
        for (int x = 0; x < s.width; ++x) one[x] = row[size_t(x) * 3 + plane];
        if (TIFFWriteScanline(t, one.data(), uint32_t(y), plane) < 0) return false;
      }
    }
  } else {
    for (int y = 0; y < s.height; ++y) {
      std::vector<uint8_t> row = StoredRow(s, pic, y, page);
      if (TIFFWriteScanline(t, row.data(), uint32_t(y), 0) < 0) return false;
    }
  }
  return TIFFWriteDirectory(t) == 1;
}

}  // namespace

std::vector<TiffSample> WriteTiffSamples(const std::string& folder) {
  std::vector<TiffSample> written;
  for (const Recipe& s : kRecipes) {
    std::string path = folder + "/" + s.name;
    TIFF* t = TIFFOpen(path.c_str(), "w");
    if (!t) return {};
    std::vector<uint8_t> pic = Picture(s.width, s.height);
    bool ok = true;
    for (int page = 0; page < s.pages && ok; ++page) ok = WritePage(t, s, pic, page);
    TIFFClose(t);
    if (!ok) return {};
    written.push_back({s.name, s.width, s.height, s.readable});
  }
  return written;
}

bool WriteLargeDeflateTiff(const std::string& path, int width, int height) {
  TIFF* t = TIFFOpen(path.c_str(), "w");
  if (!t) return false;
  Recipe s = {"", width, height, kRgb, COMPRESSION_ADOBE_DEFLATE};
  SetFields(t, s);
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, uint32_t(16));
  std::vector<uint8_t> row(size_t(width) * 3);
  bool ok = true;
  for (int y = 0; y < height && ok; ++y) {
    for (int x = 0; x < width; ++x) {
      row[size_t(x) * 3] = uint8_t(x * 255 / width);
      row[size_t(x) * 3 + 1] = uint8_t(y * 255 / height);
      row[size_t(x) * 3 + 2] = uint8_t((x ^ y) & 0xFF);
    }
    ok = TIFFWriteScanline(t, row.data(), uint32_t(y), 0) >= 0;
  }
  ok = ok && TIFFWriteDirectory(t) == 1;
  TIFFClose(t);
  return ok;
}
