// A small GIF writer for the tests and the benchmark: our own LZW encoder with the knobs a
// decoder must cope with (every minimum code size, no leading clear code, a full table kept
// without a clear code, short sub-blocks), local tables, extensions and interlacing.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct GifRgb {
  uint8_t r, g, b;
};

struct GifLzwOptions {
  int minCodeSize = 8;
  bool leadingClear = true;   // emit a clear code first
  bool clearWhenFull = true;  // else keep coding with the full table (no clear code)
  bool endCode = true;        // emit the end-of-information code
};

// What the encoder produced, code by code: where each code ends (in bits) and how many
// pixels the data up to and including it stands for.
struct GifLzwTrace {
  std::vector<uint64_t> codeEndBit;
  std::vector<uint64_t> pixelsThrough;
};

// LZW-codes the indices (each below 2^minCodeSize) into packed bytes, without sub-blocks.
std::vector<uint8_t> GifLzwEncode(const std::vector<uint8_t>& indices, const GifLzwOptions& o,
                                  GifLzwTrace* trace = nullptr);

// Cuts data into sub-blocks of at most blockSize bytes, with the zero-length terminator.
std::vector<uint8_t> GifSubBlocks(const std::vector<uint8_t>& data, int blockSize = 255,
                                  bool terminator = true);

// The order in which an interlaced image's rows are stored in the file.
std::vector<int> GifInterlaceOrder(int height);

struct GifImage {
  int left = 0, top = 0, width = 0, height = 0;
  bool interlaced = false;
  std::vector<GifRgb> localTable;  // empty: none; else padded to a power of two
  std::vector<uint8_t> pixels;     // width * height indices, top row first (display order)
  GifLzwOptions lzw;
  int blockSize = 255;
};

struct GifFile {
  std::string version = "89a";
  int screenWidth = 0, screenHeight = 0;  // 0: the first image's size
  std::vector<GifRgb> globalTable;         // empty: none
  bool sortFlag = false;
  std::vector<std::vector<uint8_t>> extensions;  // whole blocks written before the images
  std::vector<GifImage> images;
  bool trailer = true;
};

std::vector<uint8_t> WriteGif(const GifFile& file, GifLzwTrace* firstImageTrace = nullptr);

// Whole extension blocks of the usual kinds.
std::vector<uint8_t> GifGraphicControl(int delay, int transparent);
std::vector<uint8_t> GifComment(const std::string& text);
std::vector<uint8_t> GifApplication(const std::string& id8, const std::string& auth3,
                                    const std::vector<uint8_t>& data);
std::vector<uint8_t> GifPlainText(const std::string& text);
std::vector<uint8_t> GifExtension(uint8_t label, const std::vector<uint8_t>& data);

// A grey ramp (or any) palette of n colours.
std::vector<GifRgb> GifGreyTable(int n);

// Indices below colours: a repeatable mixture of smooth areas, stripes and noise, so that
// strings of every length occur and the table fills up.
std::vector<uint8_t> GifTestPattern(int width, int height, int colours, uint32_t seed);
