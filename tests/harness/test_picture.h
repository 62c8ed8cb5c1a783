// The picture the generated JPEG and TIFF samples show, drawn the same for both.
#pragma once
#include <cstring>
#include <vector>

// w x h pixels of red, green, blue bytes, rows from the top: pure red, green, blue and white
// blocks in the top-left quarter, gradients and fine checker detail elsewhere.
inline std::vector<unsigned char> DrawTestPicture(int w, int h) {
  std::vector<unsigned char> rgb(size_t(w) * h * 3);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      unsigned char* p = &rgb[(size_t(y) * w + x) * 3];
      // Solid blocks in the top-left quarter: red, green / blue, white.
      if (x < w / 2 && y < h / 2) {
        bool right = x >= w / 4, lower = y >= h / 4;
        static const unsigned char blocks[4][3] = {
            {255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
        memcpy(p, blocks[(lower ? 2 : 0) + (right ? 1 : 0)], 3);
        continue;
      }
      p[0] = (unsigned char)(x * 255 / (w > 1 ? w - 1 : 1));
      p[1] = (unsigned char)(y * 255 / (h > 1 ? h - 1 : 1));
      p[2] = (unsigned char)(((x / 3 + y / 2) & 1) ? 200 : 40);  // fine checker detail
    }
  }
  return rgb;
}
