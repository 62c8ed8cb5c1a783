// Where a path's name part starts, for the dialogs and window titles.
#include <gtest/gtest.h>

#include <string>

#include "pathname.h"

static std::string NameOf(const char* path) { return PathNameStart(path); }
static std::string AfterBackslash(const char* path) { return PathAfterBackslash(path); }

TEST(PathNameStart, ReturnsTheFileNameOfAProgramPath) {
  EXPECT_EQ("viewer.exe", NameOf("C:\\tools\\xqv\\viewer.exe"));
}

TEST(PathNameStart, CuttingThereLeavesTheDirectoryWithItsSeparator) {
  char path[] = "C:\\tools\\xqv\\viewer.exe";
  *PathNameStart(path) = 0;
  EXPECT_STREQ("C:\\tools\\xqv\\", path);
}

TEST(PathNameStart, ColonAndSlashCountAsSeparators) {
  EXPECT_EQ("b", NameOf("a:b"));
  EXPECT_EQ("name", NameOf("dir/sub/name"));
  EXPECT_EQ("c", NameOf("a\\b/c"));
  EXPECT_EQ("c", NameOf("a/b\\c"));
}

TEST(PathNameStart, ANameWithoutSeparatorIsReturnedWhole) {
  EXPECT_EQ("cat.bmp", NameOf("cat.bmp"));
  EXPECT_EQ("", NameOf(""));
}

TEST(PathNameStart, ATrailingSeparatorLeavesAnEmptyName) {
  const char* path = "C:\\images\\";
  EXPECT_EQ(path + 10, PathNameStart(path));
}

TEST(PathAfterBackslash, OnlyTheBackslashCounts) {
  EXPECT_EQ("dir/sub/name", AfterBackslash("dir/sub/name"));
  EXPECT_EQ("cat.bmp", AfterBackslash("C:\\images\\cat.bmp"));
  EXPECT_EQ("b:c", AfterBackslash("a\\b:c"));
  EXPECT_EQ("", AfterBackslash("a\\"));
  EXPECT_EQ("plain", AfterBackslash("plain"));
}
