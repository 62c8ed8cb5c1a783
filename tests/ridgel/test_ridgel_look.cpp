// The raised look as it shows on a 24-bit screen with the real ridgel.dll loaded: colours of
// dialogs and controls, the group box frame and caption, the dialog's erasing, the control
// font taken from the profile and the edit controls fitted to it.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "ridgel_testlib.h"

namespace {

using rt::DialogGuard;
using rt::Hex;
using rt::Library;
using rt::OpenDialog;
using wintest::Capture;

const COLORREF kWhite = RGB(255, 255, 255);

// Saves a profile key of the "Desktop" section and puts it back (or removes it) afterwards.
class ProfileKey {
 public:
  explicit ProfileKey(const char* key) : key_(key) {
    char value[256];
    GetProfileStringA("Desktop", key, "\x01", value, sizeof value);
    had_ = value[0] != '\x01';
    if (had_) old_ = value;
  }
  ~ProfileKey() { WriteProfileStringA("Desktop", key_, had_ ? old_.c_str() : nullptr); }
  void Set(const char* value) { WriteProfileStringA("Desktop", key_, value); }
  void Remove() { WriteProfileStringA("Desktop", key_, nullptr); }

 private:
  const char* key_;
  bool had_ = false;
  std::string old_;
};

class RidgelLook : public ::testing::Test {
 protected:
  void SetUp() override {
    rt::Log().clear();
    ASSERT_GE(ScreenDepth(), 24) << "colours are checked on a true-colour screen";
  }
  static int ScreenDepth() {
    HDC dc = GetDC(nullptr);
    int bits = GetDeviceCaps(dc, BITSPIXEL);
    ReleaseDC(nullptr, dc);
    return bits;
  }
};

// The control's area inside the dialog's client capture.
RECT ChildRect(HWND dlg, int id) {
  RECT r;
  HWND child = GetDlgItem(dlg, id);
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

RECT ChildClientRect(HWND dlg, int id) {
  HWND child = GetDlgItem(dlg, id);
  RECT r;
  GetClientRect(child, &r);
  MapWindowPoints(child, dlg, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

int CountColour(const Capture& shot, const RECT& r, COLORREF colour) {
  int n = 0;
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) n += shot.at(x, y) == colour ? 1 : 0;
  }
  return n;
}

void FillList(HWND dlg) {
  for (const char* s : {"first", "second", "third"}) {
    SendDlgItemMessageA(dlg, IDC_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
  }
  SetDlgItemTextA(dlg, IDC_EDIT, "Edit text");
  InvalidateRect(dlg, nullptr, TRUE);
}

TEST_F(RidgelLook, WithoutTheLibraryTheApplicationsColoursShow) {
  HWND dlg = OpenDialog(IDD_CONTROLS);
  ASSERT_NE(nullptr, dlg);
  DialogGuard guard(dlg);
  FillList(dlg);
  Capture shot = rt::SettledClient(dlg);
  EXPECT_GT(CountColour(shot, ChildRect(dlg, IDC_TEXT), rt::kAppColour), 0);
  EXPECT_GT(CountColour(shot, ChildClientRect(dlg, IDC_EDIT), rt::kAppColour), 0);
  EXPECT_GT(CountColour(shot, ChildClientRect(dlg, IDC_LIST), rt::kAppColour), 0);
}

TEST_F(RidgelLook, DialogAndStaticTextOnButtonFaceEditAndListBoxOnWhite) {
  Library lib;
  ASSERT_TRUE(lib.Complete());
  HWND dlg = OpenDialog(IDD_CONTROLS);
  ASSERT_NE(nullptr, dlg);
  DialogGuard guard(dlg);
  FillList(dlg);
  Capture shot = rt::SettledClient(dlg);
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  EXPECT_EQ(Hex(face), Hex(shot.at(2, 2))) << "dialog background";
  EXPECT_EQ(Hex(face), Hex(shot.at(shot.width - 3, shot.height - 3)));

  RECT text = ChildRect(dlg, IDC_TEXT);
  EXPECT_EQ(0, CountColour(shot, text, rt::kAppColour)) << "static text never asks the application";
  EXPECT_EQ(Hex(face), Hex(shot.at(text.right - 2, text.top + 1))) << "behind the static text";
  EXPECT_GT(CountColour(shot, text, RGB(0, 0, 0)), 0) << "and its text is there";

  for (int id : {IDC_EDIT, IDC_LIST}) {
    RECT inside = ChildClientRect(dlg, id);
    SCOPED_TRACE(id == IDC_EDIT ? "edit control" : "list box");
    EXPECT_EQ(0, CountColour(shot, inside, rt::kAppColour));
    EXPECT_EQ(0, CountColour(shot, inside, face)) << "white text background, not button face";
    EXPECT_EQ(Hex(kWhite), Hex(shot.at(inside.right - 3, inside.bottom - 2)));
    EXPECT_GT(CountColour(shot, inside, RGB(0, 0, 0)), 0) << "with its text";
  }
  EXPECT_GT(CountColour(shot, ChildClientRect(dlg, IDC_SCROLL), rt::kAppColour), 0)
      << "a scroll bar keeps the application's colours";
  EXPECT_EQ(0, rt::CountSeen(dlg, WM_CTLCOLORSTATIC));
  EXPECT_EQ(0, rt::CountSeen(dlg, WM_CTLCOLOREDIT));
  EXPECT_EQ(0, rt::CountSeen(dlg, WM_CTLCOLORLISTBOX));
  EXPECT_EQ(0, rt::CountSeen(dlg, WM_CTLCOLORDLG));
}

TEST_F(RidgelLook, ColourAnswersAreTheFaceBrushAndTheStockWhiteBrush) {
  Library lib;
  ASSERT_TRUE(lib.Complete());
  HWND dlg = OpenDialog(IDD_CONTROLS);
  DialogGuard guard(dlg);
  HDC dc = CreateCompatibleDC(nullptr);
  struct Case {
    UINT msg;
    COLORREF back;
  } cases[] = {{WM_CTLCOLORMSGBOX, GetSysColor(COLOR_BTNFACE)},
               {WM_CTLCOLORBTN, GetSysColor(COLOR_BTNFACE)},
               {WM_CTLCOLORDLG, GetSysColor(COLOR_BTNFACE)},
               {WM_CTLCOLORSTATIC, GetSysColor(COLOR_BTNFACE)},
               {WM_CTLCOLOREDIT, kWhite},
               {WM_CTLCOLORLISTBOX, kWhite}};
  HBRUSH face = nullptr;
  for (const Case& c : cases) {
    SetBkColor(dc, RGB(1, 2, 3));
    HBRUSH answer = reinterpret_cast<HBRUSH>(
        SendMessageA(dlg, c.msg, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(dlg)));
    EXPECT_EQ(Hex(c.back), Hex(GetBkColor(dc))) << "message 0x" << std::hex << c.msg;
    if (c.back == kWhite) {
      EXPECT_EQ(GetStockObject(WHITE_BRUSH), answer);
    } else {
      if (!face) face = answer;
      EXPECT_EQ(face, answer) << "one shared face brush";
    }
    EXPECT_EQ(0, rt::CountSeen(dlg, c.msg)) << "not passed on";
  }
  int asked = rt::CountSeen(dlg, WM_CTLCOLORSCROLLBAR);
  SendMessageA(dlg, WM_CTLCOLORSCROLLBAR, reinterpret_cast<WPARAM>(dc),
               reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDC_SCROLL)));
  EXPECT_EQ(asked + 1, rt::CountSeen(dlg, WM_CTLCOLORSCROLLBAR)) << "scroll bars ask the application";
  DeleteDC(dc);
}

TEST_F(RidgelLook, EraseBackgroundFillsTheClientAreaAndAnswersOne) {
  Library lib;
  ASSERT_TRUE(lib.Complete());
  HWND dlg = OpenDialog(IDD_CONTROLS);
  DialogGuard guard(dlg);
  RECT client;
  GetClientRect(dlg, &client);
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right + 10, client.bottom + 10);
  HGDIOBJ old = SelectObject(mem, bitmap);
  PatBlt(mem, 0, 0, client.right + 10, client.bottom + 10, BLACKNESS);
  HBRUSH before = static_cast<HBRUSH>(GetCurrentObject(mem, OBJ_BRUSH));
  LRESULT answer = SendMessageA(dlg, WM_ERASEBKGND, reinterpret_cast<WPARAM>(mem), 0);
  EXPECT_EQ(1, answer);
  EXPECT_EQ(before, GetCurrentObject(mem, OBJ_BRUSH)) << "the context's brush is reselected";
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  EXPECT_EQ(Hex(face), Hex(GetPixel(mem, 0, 0)));
  EXPECT_EQ(Hex(face), Hex(GetPixel(mem, client.right - 1, client.bottom - 1)));
  EXPECT_EQ(Hex(0), Hex(GetPixel(mem, client.right, client.bottom))) << "only the client area";
  EXPECT_EQ(0, rt::CountSeen(dlg, WM_ERASEBKGND)) << "not passed on";
  SelectObject(mem, old);
  DeleteObject(bitmap);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
}

// The group box's frame lines and caption, against a caption the test draws itself with the
// group box's font at the place the look puts it.
TEST_F(RidgelLook, GroupBoxHasARaisedFrameWithItsCaptionOnTheTopLine) {
  Library lib;
  ASSERT_TRUE(lib.Complete());
  HWND dlg = OpenDialog(IDD_CONTROLS);
  DialogGuard guard(dlg);
  HWND group = GetDlgItem(dlg, IDC_GROUP);
  // The group box alone, free of the controls the template puts inside it.
  for (int id : {IDC_PUSH, IDC_CHECK, IDC_RADIO, IDC_DEFPUSH}) ShowWindow(GetDlgItem(dlg, id), SW_HIDE);
  InvalidateRect(dlg, nullptr, TRUE);
  Capture shot = rt::SettledClient(group);
  const int w = shot.width, h = shot.height;
  const COLORREF face = GetSysColor(COLOR_BTNFACE), shadow = GetSysColor(COLOR_BTNSHADOW);

  HFONT font = reinterpret_cast<HFONT>(SendMessageA(group, WM_GETFONT, 0, 0));
  HDC screen = GetDC(nullptr);
  HGDIOBJ oldFont = SelectObject(screen, font);
  SIZE yy, caption;
  GetTextExtentPoint32A(screen, "Yy", 2, &yy);
  GetTextExtentPoint32A(screen, " Group ", 7, &caption);
  SelectObject(screen, oldFont);
  ReleaseDC(nullptr, screen);
  const int captionLeft = yy.cx / 2, captionTop = 5 + 1 - yy.cy / 2;
  const int captionRight = captionLeft + caption.cx;

  for (int y = 5; y <= h - 2; ++y) {
    if (y >= captionTop && y < captionTop + caption.cy && captionLeft == 0) continue;
    ASSERT_EQ(Hex(kWhite), Hex(shot.at(0, y))) << "left edge at y " << y;
  }
  for (int x = 0; x <= w - 2; ++x) {
    if (x >= captionLeft && x < captionRight) {
      ASSERT_NE(Hex(kWhite), Hex(shot.at(x, 5))) << "the caption covers the top line at x " << x;
    } else {
      ASSERT_EQ(Hex(kWhite), Hex(shot.at(x, 5))) << "top edge at x " << x;
    }
  }
  for (int y = 5; y < h; ++y) ASSERT_EQ(Hex(shadow), Hex(shot.at(w - 1, y))) << "right edge, y " << y;
  for (int x = 0; x < w; ++x) ASSERT_EQ(Hex(shadow), Hex(shot.at(x, h - 1))) << "bottom edge, x " << x;
  EXPECT_EQ(Hex(face), Hex(shot.at(w - 3, 2))) << "above the frame the dialog shows";
  EXPECT_EQ(Hex(face), Hex(shot.at(1, h - 2))) << "inside the frame";

  // The caption as the test draws it: opaque on the button face, left and top aligned.
  Capture want = wintest::DrawInMemory(w, h, [&](HDC mem) {
    HGDIOBJ old = SelectObject(mem, font);
    RECT r = {captionLeft, captionTop, w, h};
    SetBkColor(mem, face);
    DrawTextA(mem, " Group ", -1, &r, DT_SINGLELINE);
    SelectObject(mem, old);
  });
  int differences = 0;
  for (int y = std::max(captionTop, 0); y < captionTop + caption.cy; ++y) {
    for (int x = captionLeft; x < captionRight; ++x) {
      if (want.at(x, y) != shot.at(x, y) && differences++ < 3) {
        ADD_FAILURE() << "caption pixel " << x << "," << y << ": expected " << Hex(want.at(x, y))
                      << ", got " << Hex(shot.at(x, y));
      }
    }
  }
  EXPECT_EQ(0, differences);
}

LOGFONTA EditFont(HWND dlg) {
  LOGFONTA lf = {};
  HFONT font = reinterpret_cast<HFONT>(SendDlgItemMessageA(dlg, IDC_EDIT, WM_GETFONT, 0, 0));
  GetObjectA(font, sizeof lf, &lf);
  return lf;
}

int ScreenDpi() {
  HDC dc = GetDC(nullptr);
  int dpi = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(nullptr, dc);
  return dpi;
}

TEST_F(RidgelLook, ControlFontFollowsTheProfileAtTheScreensResolution) {
  ASSERT_EQ(96, ScreenDpi());
  ProfileKey height("StatusBarFaceHeight"), face("StatusBarFaceName");
  Library lib;
  ASSERT_TRUE(lib.Complete());
  height.Remove();
  face.Remove();
  {
    HWND dlg = OpenDialog(IDD_CONTROLS);
    DialogGuard guard(dlg);
    LOGFONTA lf = EditFont(dlg);
    EXPECT_EQ(-10, lf.lfHeight) << "8 points when the keys are missing";
    EXPECT_STREQ("MS Sans Serif", lf.lfFaceName);
    EXPECT_EQ(FW_NORMAL, lf.lfWeight);
    EXPECT_EQ(ANSI_CHARSET, lf.lfCharSet);
    EXPECT_EQ(VARIABLE_PITCH | FF_SWISS, lf.lfPitchAndFamily);
    EXPECT_FALSE(lf.lfItalic || lf.lfUnderline || lf.lfStrikeOut);
  }
  height.Set("10");
  face.Set("Courier New");
  {
    HWND dlg = OpenDialog(IDD_CONTROLS);
    DialogGuard guard(dlg);
    LOGFONTA lf = EditFont(dlg);
    EXPECT_EQ(-13, lf.lfHeight) << "10 points at 96 pixels per inch";
    EXPECT_STREQ("Courier New", lf.lfFaceName);
  }
}

TEST_F(RidgelLook, ObjectsKeepTheProfileOfTheFirstOpenDialog) {
  ProfileKey height("StatusBarFaceHeight");
  Library lib;
  ASSERT_TRUE(lib.Complete());
  height.Set("10");
  HWND first = OpenDialog(IDD_CONTROLS);
  DialogGuard g1(first);
  height.Set("20");
  HWND second = OpenDialog(IDD_CONTROLS, rt::RecordingDialogProc, 300, 40);
  DialogGuard g2(second);
  EXPECT_EQ(-13, EditFont(second).lfHeight) << "the font made for the first dialog";
}

// The height difference the library works with: the screen's default font against the control
// font (measured here with the font the edit control was given), plus 2.
int ExpectedFitDelta(HWND edit) {
  HDC dc = GetDC(nullptr);
  TEXTMETRICA tm;
  GetTextMetricsA(dc, &tm);
  int hs = tm.tmHeight + tm.tmInternalLeading;
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(edit, WM_GETFONT, 0, 0)));
  GetTextMetricsA(dc, &tm);
  int hf = tm.tmHeight + tm.tmInternalLeading + 2;
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  int d = (hs - hf) / 2;
  return d;
}

void CheckEditFitted(const char* points) {
  SCOPED_TRACE(std::string("StatusBarFaceHeight ") + points);
  ProfileKey height("StatusBarFaceHeight");
  height.Set(points);
  RECT plain;
  {
    HWND dlg = OpenDialog(IDD_CONTROLS);
    DialogGuard guard(dlg);
    plain = ChildRect(dlg, IDC_EDIT);
  }
  Library lib;
  ASSERT_TRUE(lib.Complete());
  HWND dlg = OpenDialog(IDD_CONTROLS);
  DialogGuard guard(dlg);
  RECT fitted = ChildRect(dlg, IDC_EDIT);
  int d = ExpectedFitDelta(GetDlgItem(dlg, IDC_EDIT));
  EXPECT_EQ(plain.left, fitted.left);
  EXPECT_EQ(plain.right, fitted.right) << "same width";
  EXPECT_EQ(plain.top + d, fitted.top) << "d = " << d;
  EXPECT_EQ(plain.bottom - d, fitted.bottom);
  EXPECT_EQ(plain.top + plain.bottom, fitted.top + fitted.bottom) << "same vertical centre";
}

TEST_F(RidgelLook, EditControlsShrinkByTwiceTheHalfDifference) {
  CheckEditFitted("8");  // the control font is smaller than the system font: d > 0
}

TEST_F(RidgelLook, EditControlsGrowForALargerFont) {
  CheckEditFitted("20");  // d < 0
}

}  // namespace
