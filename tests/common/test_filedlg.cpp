// The file dialog wrapper through the platform's real common dialog: a second thread plays
// the user, typing a name into the dialog and pressing its buttons.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <thread>

#include "filedlg.h"

namespace {
HWND WaitForDialog(const char* title) {
  for (int i = 0; i < 1000; ++i) {  // 15 s
    if (HWND dlg = FindWindowA("#32770", title))
      if (IsWindowVisible(dlg)) return dlg;
    Sleep(15);
  }
  return nullptr;
}

// Plays the user: waits for the dialog, records what its type list shows, then either
// types `name` and presses OK, or presses Cancel when `name` is null.
struct User {
  const char* title;
  const char* name;
  std::string typeShown = {};
  bool sawDialog = false;
  void operator()() {
    HWND dlg = WaitForDialog(title);
    if (!dlg) return;
    sawDialog = true;
    HWND types = GetDlgItem(dlg, 0x470);  // "Files of type" combo box
    if (types) {
      char buffer[256] = "";
      int sel = static_cast<int>(SendMessageA(types, CB_GETCURSEL, 0, 0));
      SendMessageA(types, CB_GETLBTEXT, sel, reinterpret_cast<LPARAM>(buffer));
      typeShown = buffer;
    }
    if (!name) {
      PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
      return;
    }
    HWND field = GetDlgItem(dlg, 0x47c);
    if (!field) field = GetDlgItem(dlg, 0x480);
    SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name));
    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDOK)));
  }
};

void MakeFile(const char* path) {
  HANDLE h = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, h) << path;
  DWORD written = 0;
  WriteFile(h, "BM", 2, &written, nullptr);
  CloseHandle(h);
}

class FileNameDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateDirectoryA("C:\\images", nullptr);
    MakeFile("C:\\images\\cat.bmp");
    std::strcpy(file_, "");
    std::strcpy(dir_, "C:\\images");
  }
  // Runs the dialog (Save when `save`) with the user's title while the user plays it.
  int Run(User& user, int save, const char* filter) {
    std::thread t(std::ref(user));
    int result = FileNameDialog(save, file_, dir_, user.title, filter, nullptr);
    t.join();
    return result;
  }
  char file_[256];
  char dir_[256];
};
}  // namespace

TEST_F(FileNameDialogTest, ChosenFileLeavesFullPathAndItsFolder) {
  User user{"Pick a bitmap", "C:\\images\\cat.bmp"};
  int result = Run(user, 0, "Bitmaps|*.bmp|All|*.*|");
  ASSERT_TRUE(user.sawDialog);
  EXPECT_EQ(1, result);
  EXPECT_STREQ("C:\\images\\cat.bmp", file_);
  EXPECT_STREQ("C:\\images", dir_);
  EXPECT_EQ("Bitmaps", user.typeShown) << "the first filter pair is selected";
}

TEST_F(FileNameDialogTest, NameTypedRelativeToTheInitialFolderIsFound) {
  User user{"Pick relative", "cat.bmp"};
  int result = Run(user, 0, "Bitmaps|*.bmp|");
  EXPECT_EQ(1, result);
  EXPECT_STREQ("C:\\images\\cat.bmp", file_);
  EXPECT_STREQ("C:\\images", dir_);
}

TEST_F(FileNameDialogTest, CancelReturnsZeroAndKeepsTheDirectory) {
  User user{"Pick and cancel", nullptr};
  int result = Run(user, 0, "Bitmaps|*.bmp|");
  ASSERT_TRUE(user.sawDialog);
  EXPECT_EQ(0, result);
  EXPECT_STREQ("C:\\images", dir_);
}

TEST_F(FileNameDialogTest, SaveAcceptsANewFileInAnExistingFolder) {
  User user{"Save it", "C:\\images\\new.avi"};
  int result = Run(user, 1, "Video Files|*.avi|");
  EXPECT_EQ(1, result);
  EXPECT_STREQ("C:\\images\\new.avi", file_);
  EXPECT_STREQ("C:\\images", dir_);
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("C:\\images\\new.avi"))
      << "the dialog only names the file";
}

TEST_F(FileNameDialogTest, ChosenFileAtADriveRootLeavesTheDriveAsFolder) {
  MakeFile("C:\\root.bmp");
  User user{"Pick at root", "C:\\root.bmp"};
  int result = Run(user, 0, "Bitmaps|*.bmp|");
  EXPECT_EQ(1, result);
  EXPECT_STREQ("C:\\root.bmp", file_);
  EXPECT_STREQ("C:", dir_);
}

TEST(ConvertFilter, BarsBecomeTerminatorsAndTheListEndsInTwo) {
  char buffer[64];
  std::memset(buffer, 'x', sizeof buffer);
  ConvertFilter("Flic files (*.FLI *.FLC)|*.FL?|", buffer, sizeof buffer);
  EXPECT_STREQ("Flic files (*.FLI *.FLC)", buffer);
  EXPECT_STREQ("*.FL?", buffer + 25);
  EXPECT_EQ(0, buffer[31]);
  EXPECT_EQ(0, buffer[32]);
}

TEST(ConvertFilter, ATextTooLongForTheBufferIsCutButStillTerminated) {
  char buffer[8];
  ConvertFilter("Bitmaps|*.bmp|", buffer, sizeof buffer);
  EXPECT_STREQ("Bitmap", buffer);
  EXPECT_EQ(0, buffer[6]);
  EXPECT_EQ(0, buffer[7]);
}
