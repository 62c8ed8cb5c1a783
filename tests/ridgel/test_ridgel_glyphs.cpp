// Check boxes and radio buttons as the real ridgel.dll takes them over when the platform's
// major version is below 4 (this program runs with GetVersion answering 3): glyphs from the
// bitmap at their place, the caption beside them, check states, and real mouse presses that
// follow the pointer out of the control and back in.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ridgel_testlib.h"

namespace {

using rt::Hex;
using wintest::Capture;

constexpr int kRow0 = 0, kRow1 = 6;  // WhichCell gives column + 6 × row

class RidgelGlyphs : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(3, rt::MajorVersion()) << "this program must run with the version set to nt351";
    rt::Log().clear();
    lib_ = std::make_unique<rt::Library>();
    ASSERT_TRUE(lib_->Complete());
    sheet_ = rt::LoadGlyphSheet(lib_->module);
    ASSERT_EQ(78, sheet_.width);
    // The pointer waits away from where the dialog appears, so that no window sees it enter
    // from where the last test left it.
    ASSERT_TRUE(rt::MouseTo(1000, 740));
    dlg_ = rt::OpenDialog(IDD_BUTTONS);
    ASSERT_NE(nullptr, dlg_);
  }
  void TearDown() override {
    if (GetCapture()) ReleaseCapture();
    if (dlg_) DestroyWindow(dlg_);
    wintest::Pump();
    lib_.reset();
  }

  HWND Item(int id) const { return GetDlgItem(dlg_, id); }

  // Gives a control an exact client size in pixels and repaints the dialog under it.
  void SizeItem(int id, int w, int h) {
    SetWindowPos(Item(id), nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER);
    InvalidateRect(dlg_, nullptr, TRUE);
    UpdateWindow(dlg_);
  }

  // The cell the control shows at (x, y) once the screen has settled, as column + 6 × row.
  int CellShown(int id, int x, int y) {
    return rt::WhichCell(rt::SettledClient(Item(id)), x, y, sheet_);
  }
  // Waits until the control shows `cell` at (x, y); returns what it showed last.
  int WaitForCell(int id, int x, int y, int cell) {
    int shown = -1;
    wintest::PumpUntil([&] {
      shown = rt::WhichCell(wintest::CaptureClient(Item(id)), x, y, sheet_);
      return shown == cell;
    }, 3000);
    return shown;
  }

  int State(int id) const { return int(SendMessageA(Item(id), BM_GETCHECK, 0, 0)); }
  void SetState(int id, int state) { SendMessageA(Item(id), BM_SETCHECK, state, 0); }

  // The WM_COMMAND messages the application's dialog procedure received, as "id:control".
  std::vector<std::string> Commands() const {
    std::vector<std::string> out;
    for (const rt::Seen& s : rt::Log()) {
      if (s.hwnd == dlg_ && s.msg == WM_COMMAND) {
        out.push_back(std::to_string(s.wParam) + (reinterpret_cast<HWND>(s.lParam) ==
                                                           GetDlgItem(dlg_, int(s.wParam))
                                                       ? ":control"
                                                       : ":other"));
      }
    }
    return out;
  }
  void ClearLog() { rt::Log().clear(); }

  POINT Inside(int id, int dx = 0) const {
    RECT r;
    GetClientRect(Item(id), &r);
    return rt::ClientToScreenPoint(Item(id), r.right / 2 + dx, r.bottom / 2);
  }
  // A point of the dialog well away from the control.
  POINT Outside(int id) const {
    RECT r;
    GetClientRect(Item(id), &r);
    return rt::ClientToScreenPoint(Item(id), r.right / 2, r.bottom + 25);
  }

  bool Press(POINT p) {
    if (!rt::MouseTo(p.x, p.y)) return false;
    rt::SendMouse(MOUSEEVENTF_LEFTDOWN, p.x, p.y);
    return wintest::PumpUntil([&] { return GetCapture() != nullptr; });
  }
  bool Release(POINT p) {
    rt::SendMouse(MOUSEEVENTF_LEFTUP, p.x, p.y);
    return wintest::PumpUntil([&] { return GetCapture() == nullptr; });
  }
  // True once this thread has taken the button's release from its queue (the thread's own key
  // state changes then), so whatever the release does has been done.
  static bool ButtonUpSeen() {
    return wintest::PumpUntil([] { return GetKeyState(VK_LBUTTON) >= 0; });
  }
  // A click; successive clicks alternate between two points so none becomes a double click.
  bool Click(int id) {
    POINT p = Inside(id, (clicks_++ % 2) ? 8 : -8);
    return Press(p) && Release(p);
  }

  std::unique_ptr<rt::Library> lib_;
  rt::GlyphSheet sheet_;
  HWND dlg_ = nullptr;
  int clicks_ = 0;
};

TEST_F(RidgelGlyphs, CheckBoxesAndRadioButtonsGetTheLibrarysProcedures) {
  void* checkProc = rt::WindowProc(Item(IDC_AUTO_CHECK));
  void* radioProc = rt::WindowProc(Item(IDC_RADIO_100));
  void* groupProc = rt::WindowProc(Item(IDC_FRAME));
  EXPECT_TRUE(lib_->Contains(checkProc));
  EXPECT_TRUE(lib_->Contains(radioProc));
  EXPECT_TRUE(lib_->Contains(groupProc));
  EXPECT_NE(checkProc, radioProc);
  EXPECT_NE(checkProc, groupProc);
  for (int id : {IDC_PLAIN_CHECK, IDC_LEFT_CHECK, IDC_3STATE, IDC_AUTO_3STATE}) {
    EXPECT_EQ(checkProc, rt::WindowProc(Item(id))) << "control " << id;
    EXPECT_TRUE(rt::IsSubclassed(Item(id)));
  }
  for (int id : {IDC_PLAIN_RADIO, IDC_RADIO_101, IDC_RADIO_102, IDC_RADIO_103}) {
    EXPECT_EQ(radioProc, rt::WindowProc(Item(id))) << "control " << id;
  }
  EXPECT_FALSE(rt::IsSubclassed(Item(IDC_PUSH_104))) << "push buttons keep their procedure";
  EXPECT_FALSE(lib_->Contains(rt::WindowProc(Item(IDC_PUSH_104))));
}

// The caption as the test draws it with the button's font over the button face.
Capture ReferenceCaption(HWND button, const char* text, RECT r, UINT format) {
  RECT client;
  GetClientRect(button, &client);
  HFONT font = reinterpret_cast<HFONT>(SendMessageA(button, WM_GETFONT, 0, 0));
  return wintest::DrawInMemory(client.right, client.bottom, [&](HDC mem) {
    HBRUSH face = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    FillRect(mem, &client, face);
    DeleteObject(face);
    HGDIOBJ oldFont = SelectObject(mem, font);
    SetBkMode(mem, TRANSPARENT);
    DrawTextA(mem, text, -1, &r, format);
    SelectObject(mem, oldFont);
  });
}

// Empty when the columns [x0, x1) of both captures agree.
std::string CompareColumns(const Capture& shot, const Capture& ref, int x0, int x1) {
  for (int y = 0; y < shot.height; ++y) {
    for (int x = x0; x < x1; ++x) {
      if (shot.at(x, y) != ref.at(x, y)) {
        return "pixel " + std::to_string(x) + "," + std::to_string(y) + ": expected " +
               Hex(ref.at(x, y)) + ", got " + Hex(shot.at(x, y));
      }
    }
  }
  return "";
}

// Columns [x0, x1) of the shot show the button's caption drawn in `at`, and differ from the
// same caption drawn one pixel off (`off`): the place found is no accident.
void ExpectCaptionAt(const Capture& shot, HWND button, const char* text, RECT at, RECT off,
                     UINT format, int x0, int x1) {
  EXPECT_EQ("", CompareColumns(shot, ReferenceCaption(button, text, at, format), x0, x1))
      << text;
  EXPECT_NE("", CompareColumns(shot, ReferenceCaption(button, text, off, format), x0, x1))
      << text << " drawn one pixel off";
}

TEST_F(RidgelGlyphs, GlyphAtTheLeftAndCaptionFromX18) {
  SizeItem(IDC_AUTO_CHECK, 120, 20);
  Capture shot = rt::SettledClient(Item(IDC_AUTO_CHECK));
  ASSERT_EQ(120, shot.width);
  EXPECT_EQ("", rt::CompareCell(shot, 0, 3, sheet_, 0, 0)) << "unchecked glyph at x 0-12, rows 3-15";
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  for (int x = 0; x < 13; ++x) {
    for (int y : {0, 1, 2, 16, 17, 18, 19}) {
      ASSERT_EQ(Hex(face), Hex(shot.at(x, y))) << "outside the glyph rows at " << x << "," << y;
    }
  }
  // One pixel to the left is the caption drawn off.
  ExpectCaptionAt(shot, Item(IDC_AUTO_CHECK), "Auto", {18, 1, 120, 20}, {17, 1, 120, 20},
                  DT_LEFT | DT_VCENTER | DT_SINGLELINE, 13, 120);
}

TEST_F(RidgelGlyphs, LeftTextPutsTheGlyphAtX107AndEndsTheCaptionAtX101) {
  SizeItem(IDC_LEFT_CHECK, 120, 20);
  Capture shot = rt::SettledClient(Item(IDC_LEFT_CHECK));
  EXPECT_EQ("", rt::CompareCell(shot, 107, 3, sheet_, 0, 0)) << "glyph at x 107-119";
  ExpectCaptionAt(shot, Item(IDC_LEFT_CHECK), "Left text", {0, 1, 101, 20}, {0, 1, 102, 20},
                  DT_RIGHT | DT_VCENTER | DT_SINGLELINE, 0, 107);
}

TEST_F(RidgelGlyphs, GlyphIsCentredVerticallyTruncatingTowardZero) {
  for (int h : {13, 20, 28}) {
    SizeItem(IDC_AUTO_CHECK, 80, h);
    int top = (h - 13) / 2;
    EXPECT_EQ("", rt::CompareCell(rt::SettledClient(Item(IDC_AUTO_CHECK)), 0, top, sheet_, 0, 0))
        << "height " << h << ": rows " << top << " to " << top + 12;
  }
}

TEST_F(RidgelGlyphs, SetCheckDrawsEveryStateOfACheckBox) {
  SizeItem(IDC_AUTO_3STATE, 100, 20);
  struct Case {
    int set, stored, cell;
  } cases[] = {{1, 1, kRow0 + 2}, {2, 2, kRow0 + 4}, {0, 0, kRow0 + 0},
               {3, 3, kRow0 + 4} /* state 3 shows as indeterminate */, {5, 1, kRow0 + 2}};
  for (const Case& c : cases) {
    SetState(IDC_AUTO_3STATE, c.set);
    EXPECT_EQ(c.stored, State(IDC_AUTO_3STATE)) << "BM_SETCHECK " << c.set;
    EXPECT_EQ(c.cell, CellShown(IDC_AUTO_3STATE, 0, 3)) << "drawn at once after BM_SETCHECK " << c.set;
    InvalidateRect(Item(IDC_AUTO_3STATE), nullptr, FALSE);
    EXPECT_EQ(c.cell, CellShown(IDC_AUTO_3STATE, 0, 3)) << "and painted so after " << c.set;
  }
}

TEST_F(RidgelGlyphs, SetCheckDrawsEveryStateOfARadioButton) {
  SizeItem(IDC_PLAIN_RADIO, 100, 20);
  struct Case {
    int set, cell;
  } cases[] = {{1, kRow1 + 2}, {0, kRow1 + 0}, {2, kRow1 + 0}, {3, kRow1 + 0}, {1, kRow1 + 2}};
  for (const Case& c : cases) {
    SetState(IDC_PLAIN_RADIO, c.set);
    EXPECT_EQ(c.set, State(IDC_PLAIN_RADIO));
    EXPECT_EQ(c.cell, CellShown(IDC_PLAIN_RADIO, 0, 3)) << "after BM_SETCHECK " << c.set;
    InvalidateRect(Item(IDC_PLAIN_RADIO), nullptr, FALSE);
    EXPECT_EQ(c.cell, CellShown(IDC_PLAIN_RADIO, 0, 3)) << "painted, state " << c.set;
  }
}

TEST_F(RidgelGlyphs, SetCheckStoresOnlyTheLowTwoBitsOfTheFirstWindowWord) {
  HWND button = Item(IDC_AUTO_CHECK);
  WORD original = WORD(GetWindowWord(button, 0));
  SetWindowWord(button, 0, WORD((original & 3) | 0xA5C0));
  SetState(IDC_AUTO_CHECK, 5);
  EXPECT_EQ(1, State(IDC_AUTO_CHECK)) << "5 stores 1";
  EXPECT_EQ(0xA5C1, GetWindowWord(button, 0)) << "the other 14 bits are kept";
  SetState(IDC_AUTO_CHECK, 2);
  EXPECT_EQ(0xA5C2, GetWindowWord(button, 0));
  SetWindowWord(button, 0, WORD(original & ~3u));
  EXPECT_EQ(0, State(IDC_AUTO_CHECK)) << "the state is read from the word every time";
}

TEST_F(RidgelGlyphs, PressedLookFollowsThePointerOutAndBackIn) {
  SizeItem(IDC_AUTO_CHECK, 120, 20);
  HWND button = Item(IDC_AUTO_CHECK);
  std::vector<int> seen;
  ASSERT_TRUE(Press(Inside(IDC_AUTO_CHECK)));
  EXPECT_EQ(button, GetCapture());
  seen.push_back(WaitForCell(IDC_AUTO_CHECK, 0, 3, kRow0 + 1));
  POINT out = Outside(IDC_AUTO_CHECK);
  ASSERT_TRUE(rt::MouseTo(out.x, out.y));
  seen.push_back(WaitForCell(IDC_AUTO_CHECK, 0, 3, kRow0 + 0));
  POINT in = Inside(IDC_AUTO_CHECK, 5);
  ASSERT_TRUE(rt::MouseTo(in.x, in.y));
  seen.push_back(WaitForCell(IDC_AUTO_CHECK, 0, 3, kRow0 + 1));
  EXPECT_TRUE(Commands().empty()) << "nothing is sent before the release";
  ASSERT_TRUE(Release(in));
  seen.push_back(WaitForCell(IDC_AUTO_CHECK, 0, 3, kRow0 + 2));
  EXPECT_EQ((std::vector<int>{1, 0, 1, 2}), seen)
      << "pressed, normal outside, pressed again, checked after the release";
  EXPECT_EQ(1, State(IDC_AUTO_CHECK));
  EXPECT_EQ(std::vector<std::string>{"21:control"}, Commands());
}

TEST_F(RidgelGlyphs, PressReleasedOutsideSendsNothing) {
  SizeItem(IDC_AUTO_CHECK, 120, 20);
  ASSERT_TRUE(Press(Inside(IDC_AUTO_CHECK)));
  EXPECT_EQ(kRow0 + 1, WaitForCell(IDC_AUTO_CHECK, 0, 3, kRow0 + 1));
  POINT out = Outside(IDC_AUTO_CHECK);
  ASSERT_TRUE(rt::MouseTo(out.x, out.y));
  EXPECT_EQ(kRow0 + 0, WaitForCell(IDC_AUTO_CHECK, 0, 3, kRow0 + 0)) << "normal once outside";
  ASSERT_TRUE(Release(out));
  wintest::Pump();
  EXPECT_EQ(0, State(IDC_AUTO_CHECK));
  EXPECT_TRUE(Commands().empty());
  EXPECT_EQ(kRow0 + 0, CellShown(IDC_AUTO_CHECK, 0, 3));
}

TEST_F(RidgelGlyphs, AutoCheckBoxTogglesAndIndeterminateBecomesUnchecked) {
  SizeItem(IDC_AUTO_CHECK, 120, 20);
  std::vector<int> states;
  ASSERT_TRUE(Click(IDC_AUTO_CHECK));
  states.push_back(State(IDC_AUTO_CHECK));
  ASSERT_TRUE(Click(IDC_AUTO_CHECK));
  states.push_back(State(IDC_AUTO_CHECK));
  SetState(IDC_AUTO_CHECK, 2);
  ASSERT_TRUE(Click(IDC_AUTO_CHECK));
  states.push_back(State(IDC_AUTO_CHECK));
  EXPECT_EQ((std::vector<int>{1, 0, 0}), states);
  Capture shot = rt::SettledClient(Item(IDC_AUTO_CHECK));
  EXPECT_EQ("", rt::CompareCell(shot, 0, 3, sheet_, 0, 0));
  EXPECT_EQ(3u, Commands().size());
  // Each change drew the caption again: it must look as if drawn once.
  Capture ref = ReferenceCaption(Item(IDC_AUTO_CHECK), "Auto", {18, 1, 120, 20},
                                 DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  EXPECT_EQ("", CompareColumns(shot, ref, 13, 120));
}

// A new caption is not painted until the glyph next changes; then it replaces the old one
// instead of being drawn over it.
TEST_F(RidgelGlyphs, CaptionIsDrawnAfreshWhenTheGlyphChanges) {
  SizeItem(IDC_AUTO_CHECK, 120, 20);
  HWND button = Item(IDC_AUTO_CHECK);
  rt::SettledClient(button);
  SetWindowTextA(button, "Other words");
  SetState(IDC_AUTO_CHECK, 1);
  Capture shot = rt::SettledClient(button);
  EXPECT_EQ("", rt::CompareCell(shot, 0, 3, sheet_, 2, 0));
  Capture ref = ReferenceCaption(button, "Other words", {18, 1, 120, 20},
                                 DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  EXPECT_EQ("", CompareColumns(shot, ref, 13, 120)) << "the old caption must not show through";
}

TEST_F(RidgelGlyphs, PlainCheckBoxSendsTheCommandAndKeepsItsState) {
  SizeItem(IDC_PLAIN_CHECK, 120, 20);
  ASSERT_TRUE(Click(IDC_PLAIN_CHECK));
  EXPECT_EQ(0, State(IDC_PLAIN_CHECK));
  EXPECT_EQ(std::vector<std::string>{"20:control"}, Commands());
  EXPECT_EQ(kRow0 + 1, CellShown(IDC_PLAIN_CHECK, 0, 3))
      << "the pressed look stays until the application sets the state";
  SetState(IDC_PLAIN_CHECK, 1);
  EXPECT_EQ(kRow0 + 2, CellShown(IDC_PLAIN_CHECK, 0, 3));
}

TEST_F(RidgelGlyphs, Auto3StateCyclesUncheckedCheckedIndeterminate) {
  SizeItem(IDC_AUTO_3STATE, 120, 20);
  std::vector<int> states, cells;
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(Click(IDC_AUTO_3STATE));
    states.push_back(State(IDC_AUTO_3STATE));
    cells.push_back(CellShown(IDC_AUTO_3STATE, 0, 3));
  }
  EXPECT_EQ((std::vector<int>{1, 2, 0}), states);
  EXPECT_EQ((std::vector<int>{kRow0 + 2, kRow0 + 4, kRow0 + 0}), cells);
  EXPECT_EQ(3u, Commands().size());
}

TEST_F(RidgelGlyphs, Plain3StateSendsTheCommandAndKeepsItsState) {
  SizeItem(IDC_3STATE, 120, 20);
  SetState(IDC_3STATE, 2);
  ASSERT_TRUE(Click(IDC_3STATE));
  EXPECT_EQ(2, State(IDC_3STATE));
  EXPECT_EQ(std::vector<std::string>{"23:control"}, Commands());
  EXPECT_EQ(kRow0 + 5, CellShown(IDC_3STATE, 0, 3)) << "indeterminate, pressed";
}

TEST_F(RidgelGlyphs, ClickInTheRadioGroupChecksItAndUnchecksItsRun) {
  for (int id : {IDC_RADIO_100, IDC_RADIO_101, IDC_RADIO_102, IDC_RADIO_103}) SizeItem(id, 90, 20);
  SetState(IDC_RADIO_100, 1);
  SetState(IDC_RADIO_102, 1);
  SetState(IDC_RADIO_103, 1);
  ClearLog();
  ASSERT_TRUE(Click(IDC_RADIO_101));
  EXPECT_EQ(0, State(IDC_RADIO_100));
  EXPECT_EQ(1, State(IDC_RADIO_101));
  EXPECT_EQ(0, State(IDC_RADIO_102));
  EXPECT_EQ(1, State(IDC_RADIO_103)) << "103 starts a group of its own";
  EXPECT_EQ(std::vector<std::string>{"101:control"}, Commands());
  EXPECT_EQ(kRow1 + 0, CellShown(IDC_RADIO_100, 0, 3));
  EXPECT_EQ(kRow1 + 2, CellShown(IDC_RADIO_101, 0, 3));
  EXPECT_EQ(kRow1 + 0, CellShown(IDC_RADIO_102, 0, 3));
  EXPECT_EQ(kRow1 + 2, CellShown(IDC_RADIO_103, 0, 3));

  SetState(IDC_RADIO_100, 1);
  ASSERT_TRUE(Click(IDC_RADIO_103));
  EXPECT_EQ(1, State(IDC_RADIO_100)) << "the first group is untouched by 103";
  EXPECT_EQ(1, State(IDC_RADIO_101));
  EXPECT_EQ(1, State(IDC_RADIO_103));
}

TEST_F(RidgelGlyphs, PlainRadioButtonSendsTheCommandAndKeepsItsState) {
  SizeItem(IDC_PLAIN_RADIO, 100, 20);
  ASSERT_TRUE(Click(IDC_PLAIN_RADIO));
  EXPECT_EQ(0, State(IDC_PLAIN_RADIO));
  EXPECT_EQ(std::vector<std::string>{"25:control"}, Commands());
  EXPECT_EQ(kRow1 + 1, CellShown(IDC_PLAIN_RADIO, 0, 3)) << "pressed until the state is set";
}

TEST_F(RidgelGlyphs, RadioReleasedOutsideDrawsNormalAndSendsNothing) {
  SizeItem(IDC_RADIO_102, 90, 20);
  SetState(IDC_RADIO_102, 1);
  ClearLog();
  ASSERT_TRUE(Press(Inside(IDC_RADIO_102)));
  EXPECT_EQ(kRow1 + 3, WaitForCell(IDC_RADIO_102, 0, 3, kRow1 + 3)) << "checked, pressed";
  POINT out = Outside(IDC_RADIO_102);
  ASSERT_TRUE(rt::MouseTo(out.x, out.y));
  EXPECT_EQ(kRow1 + 2, WaitForCell(IDC_RADIO_102, 0, 3, kRow1 + 2));
  ASSERT_TRUE(Release(out));
  EXPECT_EQ(kRow1 + 2, CellShown(IDC_RADIO_102, 0, 3));
  EXPECT_TRUE(Commands().empty());
  EXPECT_EQ(1, State(IDC_RADIO_102));
}

// The application disables a check box while the user holds it down, which takes the mouse
// capture away: the press is over. A release that follows over another check box is no click.
TEST_F(RidgelGlyphs, PressWhoseCaptureIsTakenAwayEndsWithoutAClick) {
  SizeItem(IDC_AUTO_CHECK, 120, 20);
  SizeItem(IDC_AUTO_3STATE, 120, 20);
  ASSERT_TRUE(Press(Inside(IDC_AUTO_CHECK)));
  EXPECT_EQ(kRow0 + 1, WaitForCell(IDC_AUTO_CHECK, 0, 3, kRow0 + 1));
  EnableWindow(Item(IDC_AUTO_CHECK), FALSE);
  EXPECT_EQ(nullptr, GetCapture()) << "a disabled window keeps no capture";
  EXPECT_EQ(kRow0 + 0, WaitForCell(IDC_AUTO_CHECK, 0, 3, kRow0 + 0)) << "no longer pressed";
  POINT other = Inside(IDC_AUTO_3STATE);
  ASSERT_TRUE(rt::MouseTo(other.x, other.y));
  rt::SendMouse(MOUSEEVENTF_LEFTUP, other.x, other.y);
  EXPECT_TRUE(ButtonUpSeen());
  EXPECT_EQ(0, State(IDC_AUTO_3STATE)) << "released over a check box that was never pressed";
  EXPECT_EQ(0, State(IDC_AUTO_CHECK));
  EXPECT_TRUE(Commands().empty());
  EnableWindow(Item(IDC_AUTO_CHECK), TRUE);
}

// The dialog goes away while one of its check boxes is held down; in the next one, a
// release over a check box that was never pressed is no click.
TEST_F(RidgelGlyphs, PressEndsWithTheDialogItWasIn) {
  SizeItem(IDC_AUTO_CHECK, 120, 20);
  POINT p = Inside(IDC_AUTO_CHECK);
  ASSERT_TRUE(Press(p));
  DestroyWindow(dlg_);
  dlg_ = rt::OpenDialog(IDD_BUTTONS);
  ASSERT_NE(nullptr, dlg_);
  SizeItem(IDC_AUTO_CHECK, 120, 20);
  ASSERT_TRUE(rt::MouseTo(p.x + 3, p.y));
  rt::SendMouse(MOUSEEVENTF_LEFTUP, p.x + 3, p.y);
  EXPECT_TRUE(ButtonUpSeen());
  EXPECT_EQ(0, State(IDC_AUTO_CHECK));
  EXPECT_TRUE(Commands().empty());
}

// The same with the pointer already outside the pressed control when the capture goes: merely
// passing over another one afterwards does not show it pressed.
TEST_F(RidgelGlyphs, AfterALostCaptureHoveringShowsNoPressedLook) {
  SizeItem(IDC_RADIO_101, 90, 20);
  SizeItem(IDC_PLAIN_CHECK, 120, 20);
  ASSERT_TRUE(Press(Inside(IDC_RADIO_101)));
  EXPECT_EQ(kRow1 + 1, WaitForCell(IDC_RADIO_101, 0, 3, kRow1 + 1));
  POINT out = Outside(IDC_RADIO_101);
  ASSERT_TRUE(rt::MouseTo(out.x, out.y));
  EXPECT_EQ(kRow1 + 0, WaitForCell(IDC_RADIO_101, 0, 3, kRow1 + 0));
  ReleaseCapture();  // as another window taking the capture would
  POINT over = Inside(IDC_PLAIN_CHECK);
  ASSERT_TRUE(rt::MouseTo(over.x, over.y));
  rt::SendMouse(MOUSEEVENTF_LEFTUP, over.x, over.y);
  EXPECT_TRUE(ButtonUpSeen());
  EXPECT_EQ(kRow0 + 0, CellShown(IDC_PLAIN_CHECK, 0, 3)) << "hovering is no press";
  EXPECT_EQ(kRow1 + 0, CellShown(IDC_RADIO_101, 0, 3));
  EXPECT_EQ(0, State(IDC_RADIO_101));
  EXPECT_TRUE(Commands().empty());
}

TEST_F(RidgelGlyphs, FocusKeysAndDisablingChangeNothingOnScreen) {
  SizeItem(IDC_AUTO_CHECK, 120, 20);
  HWND button = Item(IDC_AUTO_CHECK);
  Capture before = rt::SettledClient(button);
  SetFocus(button);
  EXPECT_EQ(before.pixels, rt::SettledClient(button).pixels) << "no focus rectangle";
  SendMessageA(button, WM_KEYDOWN, VK_SPACE, 0x00390001);
  SendMessageA(button, WM_KEYUP, VK_SPACE, 0xC0390001);
  EXPECT_EQ(0, State(IDC_AUTO_CHECK)) << "the space bar does not toggle";
  EnableWindow(button, FALSE);
  EXPECT_EQ(before.pixels, rt::SettledClient(button).pixels) << "a disabled control looks the same";
  EnableWindow(button, TRUE);
}

}  // namespace
