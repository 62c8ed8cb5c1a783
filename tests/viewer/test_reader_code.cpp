// Files go to the reader of their name's last extension, whatever its case and whatever
// the folders around them are called.
#include <gtest/gtest.h>

#include "reader_code.h"

TEST(ReaderCodeFromPath, KnownExtensionsInAnyCase) {
  const struct { const char* path; ReaderCode code; } cases[] = {
      {"C:\\p\\a.gif", READER_GIF},  {"C:\\p\\a.GIF", READER_GIF},  {"a.Gif", READER_GIF},
      {"a.tga", READER_TARGA},       {"a.TgA", READER_TARGA},       {"a.cel", READER_CEL},
      {"a.CEL", READER_CEL},         {"a.bmp", READER_BMP},         {"a.RLE", READER_BMP},
      {"a.rle", READER_BMP},         {"a.dib", READER_DIB},         {"a.DIB", READER_DIB},
      {"photo.Jpg", READER_JPEG},    {"photo.JPG", READER_JPEG},    {"scan.tif", READER_TIFF},
      {"scan.TIF", READER_TIFF},     {"photo.jpeg", READER_JPEG},   {"photo.JPEG", READER_JPEG},
      {"photo.jpe", READER_JPEG},    {"photo.Jpe", READER_JPEG},    {"photo.jfif", READER_JPEG},
      {"photo.JFIF", READER_JPEG},   {"scan.tiff", READER_TIFF},    {"scan.TiFF", READER_TIFF},
      {"shot.png", READER_PNG},      {"SHOT.PNG", READER_PNG},      {"web.webp", READER_WEBP},
      {"web.WebP", READER_WEBP},
  };
  for (const auto& c : cases) EXPECT_EQ(c.code, ReaderCodeFromPath(c.path)) << c.path;
}

TEST(ReaderCodeFromPath, FolderNamesDoNotDecide) {
  EXPECT_EQ(READER_BMP, ReaderCodeFromPath("C:\\pics.gif\\photo.bmp"));
  EXPECT_EQ(READER_JPEG, ReaderCodeFromPath("C:\\old.tga\\x.dib.jpg"));
  EXPECT_EQ(READER_BMP, ReaderCodeFromPath("C:\\pics.gif\\noextension"));
  EXPECT_EQ(READER_GIF, ReaderCodeFromPath("dir.bmp/a.gif"));
}

TEST(ReaderCodeFromPath, OnlyTheLastExtensionCounts) {
  EXPECT_EQ(READER_BMP, ReaderCodeFromPath("archive.gif.bmp"));
  EXPECT_EQ(READER_GIF, ReaderCodeFromPath("archive.bmp.gif"));
}

TEST(ReaderCodeFromPath, UnknownOrMissingExtensionsGoToTheBitmapReader) {
  for (const char* p : {"a.jpegs", "a.tiffx", "a.jp", "a.jf", "a.pn", "a.web", "a.webpx", "a",
                        "a.", "", ".gifx", "a.gi", "C:\\x\\"})
    EXPECT_EQ(READER_BMP, ReaderCodeFromPath(p)) << p;
}
