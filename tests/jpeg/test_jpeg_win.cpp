// The JPEG writer and reader as the Windows build runs them (MinGW libjpeg, the C runtime's
// streams): written files read back through our reader, and a writer that cannot create its
// file leaving nothing behind.
#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "readers/jpeg.h"

namespace {

class JpegWinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char base[MAX_PATH];
    ASSERT_NE(0u, GetTempPathA(sizeof base, base));
    dir_ = std::string(base) + "jpegwin-" + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryA(dir_.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  }
  void TearDown() override {
    for (const std::string& f : files_) DeleteFileA(f.c_str());
    RemoveDirectoryA(dir_.c_str());
  }
  std::string Path(const char* name) {
    files_.push_back(dir_ + "\\" + name);
    return files_.back();
  }
  std::string dir_;
  std::vector<std::string> files_;
};

// Pixel (x, y) from the top of a loaded record, as red, green, blue.
void PixelAt(const BITMAPINFOHEADER* dib, int x, int y, int rgb[3]) {
  size_t stride = (size_t(dib->biWidth) * 3 + 3) / 4 * 4;
  const BYTE* p = reinterpret_cast<const BYTE*>(dib + 1) + stride * (dib->biHeight - 1 - y) + 3 * x;
  rgb[0] = p[2];
  rgb[1] = p[1];
  rgb[2] = p[0];
}

TEST_F(JpegWinTest, TwoPixelRedBlueImageReadsBackRedThenBlue) {
  const BYTE source[8] = {0, 255, 0, 0, 0, 0, 0, 255};
  std::string path = Path("rb.jpg");
  ASSERT_EQ(1, WriteJpegFile(path.c_str(), 2, 1, 75, source));
  HPALETTE palette = nullptr;
  BITMAPINFOHEADER* dib = LoadJpegDib(path.c_str(), &palette);
  ASSERT_NE(nullptr, dib);
  ASSERT_EQ(2, dib->biWidth);
  ASSERT_EQ(1, dib->biHeight);
  int left[3], right[3];
  PixelAt(dib, 0, 0, left);
  PixelAt(dib, 1, 0, right);
  const int wantLeft[3] = {255, 0, 0}, wantRight[3] = {0, 0, 255};
  for (int c = 0; c < 3; ++c) {
    EXPECT_NEAR(wantLeft[c], left[c], 12) << "left channel " << c;
    EXPECT_NEAR(wantRight[c], right[c], 12) << "right channel " << c;
  }
  LocalFree(dib);
  DeleteObject(palette);
}

TEST_F(JpegWinTest, GradientReadsBackWithinAPsnrBound) {
  const int w = 301, h = 157;
  std::vector<BYTE> source;
  std::vector<int> rgb;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int v[3] = {x * 255 / (w - 1), y * 255 / (h - 1), (x + y) * 255 / (w + h - 2)};
      source.push_back(0);
      for (int c : v) {
        source.push_back(BYTE(c));
        rgb.push_back(c);
      }
    }
  std::string path = Path("gradient.jpg");
  ASSERT_EQ(1, WriteJpegFile(path.c_str(), w, h, 90, source.data()));
  HPALETTE palette = nullptr;
  BITMAPINFOHEADER* dib = LoadJpegDib(path.c_str(), &palette);
  ASSERT_NE(nullptr, dib);
  double sum = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int got[3];
      PixelAt(dib, x, y, got);
      for (int c = 0; c < 3; ++c) {
        double d = got[c] - rgb[(size_t(y) * w + x) * 3 + c];
        sum += d * d;
      }
    }
  double psnr = 10 * std::log10(255.0 * 255.0 / (sum / (3.0 * w * h)));
  EXPECT_GT(psnr, 46.0);
  LocalFree(dib);
  DeleteObject(palette);
}

TEST_F(JpegWinTest, PathInAMissingFolderGivesZeroAndNoFile) {
  const BYTE source[8] = {0, 255, 0, 0, 0, 0, 0, 255};
  std::string path = dir_ + "\\no-such-folder\\out.jpg";
  EXPECT_EQ(0, WriteJpegFile(path.c_str(), 2, 1, 75, source));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(path.c_str()));
}

TEST_F(JpegWinTest, FileThatIsNotAJpegGivesNullWithoutAPalette) {
  std::string path = Path("text.jpg");
  HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, f);
  DWORD written;
  WriteFile(f, "not a picture\r\n", 15, &written, nullptr);
  CloseHandle(f);
  HPALETTE palette = nullptr;
  EXPECT_EQ(nullptr, LoadJpegDib(path.c_str(), &palette));
  EXPECT_EQ(nullptr, palette);
}

}  // namespace
