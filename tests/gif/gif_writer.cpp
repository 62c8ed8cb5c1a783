// The tests' GIF writer (see gif_writer.h).
#include "gif_writer.h"

#include <algorithm>
#include <unordered_map>

namespace {

struct BitWriter {
  std::vector<uint8_t> bytes;
  uint64_t bits = 0;
  uint32_t acc = 0;
  int pending = 0;
  void Put(int code, int size) {
    acc |= uint32_t(code) << pending;
    pending += size;
    bits += size;
    while (pending >= 8) {
      bytes.push_back(uint8_t(acc));
      acc >>= 8;
      pending -= 8;
    }
  }
  void Flush() {
    if (pending > 0) bytes.push_back(uint8_t(acc));
    acc = 0;
    pending = 0;
  }
};

void Put16(std::vector<uint8_t>* out, int v) {
  out->push_back(uint8_t(v));
  out->push_back(uint8_t(v >> 8));
}

// The table-size field for n colours: 2^(field+1) >= n.
int TableField(size_t n) {
  int field = 0;
  while ((size_t(2) << field) < n) ++field;
  return field;
}

void PutTable(std::vector<uint8_t>* out, const std::vector<GifRgb>& table) {
  size_t padded = size_t(2) << TableField(table.size());
  for (size_t i = 0; i < padded; ++i) {
    GifRgb c = i < table.size() ? table[i] : GifRgb{0, 0, 0};
    out->push_back(c.r);
    out->push_back(c.g);
    out->push_back(c.b);
  }
}

}  // namespace

std::vector<uint8_t> GifLzwEncode(const std::vector<uint8_t>& indices, const GifLzwOptions& o,
                                  GifLzwTrace* trace) {
  BitWriter bw;
  const int s = o.minCodeSize, clear = 1 << s, end = clear + 1;
  int size = s + 1, next = clear + 2;
  std::unordered_map<uint32_t, int> dict;
  auto put = [&](int code, uint64_t pixels) {
    bw.Put(code, size);
    if (trace) {
      trace->codeEndBit.push_back(bw.bits);
      trace->pixelsThrough.push_back(pixels);
    }
  };
  if (o.leadingClear) put(clear, 0);
  if (!indices.empty()) {
    int w = indices[0];
    for (size_t i = 1; i < indices.size(); ++i) {
      int c = indices[i];
      uint32_t key = uint32_t(w) << 9 | uint32_t(c);
      auto it = dict.find(key);
      if (it != dict.end()) {
        w = it->second;
        continue;
      }
      put(w, i);
      if (next < 4096) {
        dict[key] = next++;
        // The decoder adds each entry one code later, so it widens one code later too.
        if (next > (1 << size) && size < 12) ++size;
      } else if (o.clearWhenFull) {
        put(clear, i);
        dict.clear();
        size = s + 1;
        next = clear + 2;
      }
      w = c;
    }
    put(w, indices.size());
  }
  if (o.endCode) put(end, indices.size());
  bw.Flush();
  return bw.bytes;
}

std::vector<uint8_t> GifSubBlocks(const std::vector<uint8_t>& data, int blockSize,
                                  bool terminator) {
  std::vector<uint8_t> out;
  for (size_t i = 0; i < data.size(); i += blockSize) {
    size_t n = std::min(data.size() - i, size_t(blockSize));
    out.push_back(uint8_t(n));
    out.insert(out.end(), data.begin() + i, data.begin() + i + n);
  }
  if (terminator) out.push_back(0);
  return out;
}

std::vector<int> GifInterlaceOrder(int height) {
  std::vector<int> order;
  const int starts[4] = {0, 4, 2, 1}, steps[4] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass)
    for (int y = starts[pass]; y < height; y += steps[pass]) order.push_back(y);
  return order;
}

std::vector<uint8_t> WriteGif(const GifFile& f, GifLzwTrace* firstImageTrace) {
  std::vector<uint8_t> out;
  std::string sig = "GIF" + f.version;
  out.insert(out.end(), sig.begin(), sig.end());
  const GifImage* first = f.images.empty() ? nullptr : &f.images[0];
  Put16(&out, f.screenWidth ? f.screenWidth : first ? first->width : 1);
  Put16(&out, f.screenHeight ? f.screenHeight : first ? first->height : 1);
  uint8_t packed = 0x70 | (f.sortFlag ? 0x08 : 0);
  if (!f.globalTable.empty()) packed |= 0x80 | TableField(f.globalTable.size());
  out.push_back(packed);
  out.push_back(0);  // background
  out.push_back(0);  // aspect
  if (!f.globalTable.empty()) PutTable(&out, f.globalTable);
  for (const auto& e : f.extensions) out.insert(out.end(), e.begin(), e.end());
  for (size_t n = 0; n < f.images.size(); ++n) {
    const GifImage& im = f.images[n];
    out.push_back(0x2C);
    Put16(&out, im.left);
    Put16(&out, im.top);
    Put16(&out, im.width);
    Put16(&out, im.height);
    uint8_t ipacked = im.interlaced ? 0x40 : 0;
    if (!im.localTable.empty()) ipacked |= 0x80 | TableField(im.localTable.size());
    out.push_back(ipacked);
    if (!im.localTable.empty()) PutTable(&out, im.localTable);
    std::vector<uint8_t> ordered;
    if (im.interlaced) {
      for (int y : GifInterlaceOrder(im.height))
        ordered.insert(ordered.end(), im.pixels.begin() + size_t(y) * im.width,
                       im.pixels.begin() + size_t(y + 1) * im.width);
    } else {
      ordered = im.pixels;
    }
    out.push_back(uint8_t(im.lzw.minCodeSize));
    auto data = GifLzwEncode(ordered, im.lzw, n == 0 ? firstImageTrace : nullptr);
    auto blocks = GifSubBlocks(data, im.blockSize);
    out.insert(out.end(), blocks.begin(), blocks.end());
  }
  if (f.trailer) out.push_back(0x3B);
  return out;
}

std::vector<uint8_t> GifExtension(uint8_t label, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> out = {0x21, label};
  auto blocks = GifSubBlocks(data, 255);
  out.insert(out.end(), blocks.begin(), blocks.end());
  return out;
}

std::vector<uint8_t> GifGraphicControl(int delay, int transparent) {
  return {0x21, 0xF9, 4, uint8_t(transparent >= 0 ? 1 : 0), uint8_t(delay), uint8_t(delay >> 8),
          uint8_t(transparent >= 0 ? transparent : 0), 0};
}

std::vector<uint8_t> GifComment(const std::string& text) {
  return GifExtension(0xFE, std::vector<uint8_t>(text.begin(), text.end()));
}

std::vector<uint8_t> GifApplication(const std::string& id8, const std::string& auth3,
                                    const std::vector<uint8_t>& data) {
  std::vector<uint8_t> out = {0x21, 0xFF, 11};
  out.insert(out.end(), id8.begin(), id8.begin() + 8);
  out.insert(out.end(), auth3.begin(), auth3.begin() + 3);
  auto blocks = GifSubBlocks(data, 255);
  out.insert(out.end(), blocks.begin(), blocks.end());
  return out;
}

std::vector<uint8_t> GifPlainText(const std::string& text) {
  std::vector<uint8_t> out = {0x21, 0x01, 12, 0, 0, 0, 0, 64, 0, 16, 0, 8, 16, 1, 0};
  auto blocks = GifSubBlocks(std::vector<uint8_t>(text.begin(), text.end()), 255);
  out.insert(out.end(), blocks.begin(), blocks.end());
  return out;
}

std::vector<GifRgb> GifGreyTable(int n) {
  std::vector<GifRgb> t(n);
  for (int i = 0; i < n; ++i) {
    uint8_t v = uint8_t(n > 1 ? i * 255 / (n - 1) : 0);
    t[i] = {v, uint8_t(255 - v), uint8_t(v ^ 0x5A)};
  }
  return t;
}

std::vector<uint8_t> GifTestPattern(int width, int height, int colours, uint32_t seed) {
  std::vector<uint8_t> px(size_t(width) * height);
  uint32_t r = seed * 2654435761u + 1;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      r = r * 1103515245u + 12345u;
      int v;
      switch ((x / 16 + y / 16) % 3) {
        case 0: v = (x + y) / 4; break;      // smooth: long repeated strings
        case 1: v = (x / 3) ^ (y / 5); break;  // stripes
        default: v = int(r >> 16); break;   // noise: the table fills quickly
      }
      px[size_t(y) * width + x] = uint8_t(unsigned(v) % unsigned(colours));
    }
  return px;
}
