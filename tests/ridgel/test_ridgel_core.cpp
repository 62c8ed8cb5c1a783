// The library's internals linked into this program (with the glyph bitmap among its own
// resources): the packed atoms, the subclass record and forwarding, control classes, edit
// fitting without a control font, the counting of dialogs, and what happens without the bitmap.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ridgel.h"
#include "ridgel_testlib.h"

namespace {

using rt::DialogGuard;

// ---- packed atoms ----

TEST(PropAtoms, PackTheNameInTheHighHalfAndTheReversedNameInTheLow) {
  DWORD packed = MakePropAtoms("DialogsHook");
  ASSERT_NE(0u, packed);
  EXPECT_EQ(GlobalFindAtomA("DialogsHook"), HIWORD(packed));
  EXPECT_EQ(GlobalFindAtomA("kooHsgolaiD"), LOWORD(packed));
  DeletePropAtoms(packed);
  EXPECT_EQ(0, GlobalFindAtomA("DialogsHook")) << "one reference per call, dropped again";
  EXPECT_EQ(0, GlobalFindAtomA("kooHsgolaiD"));
}

TEST(PropAtoms, EachCallAddsOneReferenceToEachAtom) {
  DWORD first = MakePropAtoms("RidgelCount");
  DWORD second = MakePropAtoms("RidgelCount");
  EXPECT_EQ(first, second);
  DeletePropAtoms(first);
  EXPECT_NE(0, GlobalFindAtomA("RidgelCount")) << "the second reference holds it";
  EXPECT_NE(0, GlobalFindAtomA("tnuoClegdiR"));
  DeletePropAtoms(second);
  EXPECT_EQ(0, GlobalFindAtomA("RidgelCount"));
  EXPECT_EQ(0, GlobalFindAtomA("tnuoClegdiR"));
}

TEST(PropAtoms, NamesOfNoneOrMoreThan40CharactersAreRefused) {
  EXPECT_EQ(0u, MakePropAtoms(""));
  std::string forty(40, 'a'), fortyOne(41, 'b');
  forty[0] = 'Z';
  DWORD packed = MakePropAtoms(forty.c_str());
  EXPECT_NE(0u, packed);
  EXPECT_EQ(GlobalFindAtomA(std::string(forty.rbegin(), forty.rend()).c_str()), LOWORD(packed));
  DeletePropAtoms(packed);
  EXPECT_EQ(0u, MakePropAtoms(fortyOne.c_str()));
  EXPECT_EQ(0, GlobalFindAtomA(fortyOne.c_str()));
}

// ---- the subclass record on a window of our own class ----

struct Received {
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
  bool operator==(const Received& o) const {
    return msg == o.msg && wParam == o.wParam && lParam == o.lParam;
  }
};
std::vector<Received> g_oldProcSaw;
bool g_recordGoneAtDestroy;
LONG_PTR g_procAtDestroy;

LRESULT CALLBACK OldProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_USER + 1 || msg == WM_USER + 2 || msg == WM_DESTROY) {
    g_oldProcSaw.push_back({msg, wParam, lParam});
  }
  if (msg == WM_DESTROY) {
    g_recordGoneAtDestroy = !rt::IsSubclassed(hwnd);
    g_procAtDestroy = GetWindowLongPtrA(hwnd, GWLP_WNDPROC);
  }
  if (msg == WM_USER + 1) return 0x1234;
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

DWORD g_newPacked;
LRESULT CALLBACK NewProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return CallOldProc(hwnd, msg, wParam, lParam, g_newPacked);
}

HWND CreateOwnWindow() { return rt::CreatePopupOfClass("RidgelCoreOwn", OldProc, "own", 20); }

class SubclassRecord : public ::testing::Test {
 protected:
  void SetUp() override {
    g_oldProcSaw.clear();
    hwnd_ = CreateOwnWindow();
    ASSERT_NE(nullptr, hwnd_);
    ASSERT_EQ(reinterpret_cast<LONG_PTR>(OldProc), GetWindowLongPtrA(hwnd_, GWLP_WNDPROC));
  }
  void TearDown() override {
    if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
    EXPECT_EQ(0, rt::HighAtom()) << "no reference outlives the records";
    EXPECT_EQ(0, rt::LowAtom());
  }
  HWND hwnd_ = nullptr;
};

TEST_F(SubclassRecord, PropertiesHoldTheLowAndHighHalvesOfTheOldProcedure) {
  g_newPacked = SubclassWindow(hwnd_, NewProc, "DialogsHook");
  ASSERT_NE(0u, g_newPacked);
  DWORD_PTR old = reinterpret_cast<DWORD_PTR>(OldProc);
  EXPECT_EQ(old & 0xFFFF, rt::PropValue(hwnd_, LOWORD(g_newPacked))) << "L under the reversed name";
  EXPECT_EQ(old >> 16, rt::PropValue(hwnd_, HIWORD(g_newPacked))) << "H under the name";
  EXPECT_EQ(reinterpret_cast<LONG_PTR>(NewProc), GetWindowLongPtrA(hwnd_, GWLP_WNDPROC));
  EXPECT_EQ(old, rt::RecordedProc(hwnd_));
}

TEST_F(SubclassRecord, MessagesGoOnUnchangedAndTheOldResultComesBack) {
  g_newPacked = SubclassWindow(hwnd_, NewProc, "DialogsHook");
  EXPECT_EQ(0x1234, SendMessageA(hwnd_, WM_USER + 1, 7, 0x70000))
      << "the old procedure's result";
  SendMessageA(hwnd_, WM_USER + 2, 0xFFFFFFFF, -5);
  DestroyWindow(hwnd_);
  std::vector<Received> expected = {
      {WM_USER + 1, 7, 0x70000}, {WM_USER + 2, 0xFFFFFFFF, -5}, {WM_DESTROY, 0, 0}};
  EXPECT_EQ(expected, g_oldProcSaw);
}

TEST_F(SubclassRecord, AtDestroyTheOldProcedureIsBackAndTheRecordGone) {
  g_newPacked = SubclassWindow(hwnd_, NewProc, "DialogsHook");
  g_recordGoneAtDestroy = false;
  DestroyWindow(hwnd_);
  EXPECT_TRUE(g_recordGoneAtDestroy);
  EXPECT_EQ(reinterpret_cast<LONG_PTR>(OldProc), g_procAtDestroy);
}

TEST_F(SubclassRecord, SecondSubclassingIsRefusedAndTakesNoReference) {
  g_newPacked = SubclassWindow(hwnd_, NewProc, "DialogsHook");
  ASSERT_NE(0u, g_newPacked);
  EXPECT_EQ(0u, SubclassWindow(hwnd_, DefWindowProcA, "DialogsHook"));
  EXPECT_EQ(reinterpret_cast<LONG_PTR>(NewProc), GetWindowLongPtrA(hwnd_, GWLP_WNDPROC)) << "unchanged";
  EXPECT_EQ(reinterpret_cast<DWORD_PTR>(OldProc), rt::RecordedProc(hwnd_));
  // TearDown: after the window is gone no reference may remain.
}

TEST_F(SubclassRecord, UnsubclassRestoresTheProcedureAndDropsTheRecord) {
  g_newPacked = SubclassWindow(hwnd_, NewProc, "DialogsHook");
  UnsubclassWindow(hwnd_, g_newPacked);
  EXPECT_EQ(reinterpret_cast<LONG_PTR>(OldProc), GetWindowLongPtrA(hwnd_, GWLP_WNDPROC));
  EXPECT_FALSE(rt::IsSubclassed(hwnd_));
  EXPECT_EQ(0, rt::HighAtom());
  UnsubclassWindow(hwnd_, g_newPacked);  // nothing recorded: nothing happens
  EXPECT_EQ(reinterpret_cast<LONG_PTR>(OldProc), GetWindowLongPtrA(hwnd_, GWLP_WNDPROC));
}

TEST_F(SubclassRecord, WindowWithoutARecordIsServedByTheDefaultProcedure) {
  DWORD packed = MakePropAtoms("DialogsHook");
  EXPECT_EQ(DefWindowProcA(hwnd_, WM_GETTEXTLENGTH, 0, 0),
            CallOldProc(hwnd_, WM_GETTEXTLENGTH, 0, 0, packed));
  EXPECT_EQ(0, CallOldProc(hwnd_, WM_USER + 1, 0, 0, packed)) << "not the old procedure's 0x1234";
  EXPECT_TRUE(g_oldProcSaw.empty());
  DeletePropAtoms(packed);
}

// ---- control classes ----

TEST(ControlClass, KnownClassesWhateverTheirCase) {
  HWND parent = rt::CreatePlainWindow();
  ASSERT_NE(nullptr, parent);
  struct Case {
    const char* cls;
    int index;
  } cases[] = {{"BUTTON", 0}, {"button", 0}, {"Edit", 1}, {"sTaTiC", 2}, {"listbox", 3},
               {"ComboBox", 4}, {"ScrollBar", -1}, {"RidgelTestPlain", -1}};
  for (const Case& c : cases) {
    HWND child = CreateWindowA(c.cls, "", WS_CHILD, 0, 0, 50, 50, parent, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, child) << c.cls;
    EXPECT_EQ(c.index, ControlClassIndex(child)) << c.cls;
    if (c.index == 4) {
      COMBOBOXINFO info = {};
      info.cbSize = sizeof info;
      ASSERT_TRUE(GetComboBoxInfo(child, &info));
      EXPECT_EQ(5, ControlClassIndex(info.hwndList)) << "the combo box's list, ComboLBox";
    }
    DestroyWindow(child);
  }
  EXPECT_EQ(-1, ControlClassIndex(nullptr));
  DestroyWindow(parent);
}

// ---- edit controls fitted to the font ----

RECT FittedEditRect(HFONT font, RECT start) {
  HWND parent = CreateWindowA("RidgelTestPlain", "", WS_POPUP, 100, 100, 300, 200, nullptr,
                              nullptr, GetModuleHandleA(nullptr), nullptr);
  HWND edit = CreateWindowA("Edit", "", WS_CHILD | WS_BORDER, start.left, start.top,
                            start.right - start.left, start.bottom - start.top, parent, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
  HFONT saved = g_hControlFont;
  g_hControlFont = font;
  FitEditHeight(edit);
  g_hControlFont = saved;
  RECT r;
  GetWindowRect(edit, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  DestroyWindow(parent);
  return r;
}

TEST(EditFit, WithoutAControlFontEachEditGrowsByOnePixelAtTopAndBottom) {
  RECT r = FittedEditRect(nullptr, {10, 20, 110, 40});
  EXPECT_EQ(10, r.left);
  EXPECT_EQ(110, r.right);
  EXPECT_EQ(19, r.top);
  EXPECT_EQ(41, r.bottom);
}

// ---- counting dialogs in and out ----

class SharedObjects : public ::testing::Test {
 protected:
  void SetUp() override {
    g_hModule = GetModuleHandleA(nullptr);
    ASSERT_EQ(0, g_dialogCount);
  }
  void TearDown() override { EXPECT_EQ(0, g_dialogCount); }
  static HWND Fake(int n) { return reinterpret_cast<HWND>(static_cast<ULONG_PTR>(0x10000 + 4 * n)); }
};

TEST_F(SharedObjects, MadeByTheFirstDialogAndDeletedAfterTheLast) {
  EXPECT_TRUE(CountDialogIn(Fake(1)));
  HFONT font = g_hControlFont;
  HBRUSH brush = g_hFaceBrush;
  HBITMAP bitmap = g_hGlyphBitmap;
  EXPECT_EQ(OBJ_FONT, GetObjectType(font));
  EXPECT_EQ(OBJ_BRUSH, GetObjectType(brush));
  EXPECT_EQ(OBJ_BITMAP, GetObjectType(bitmap));
  EXPECT_EQ(brush, FaceBrush());
  EXPECT_TRUE(CountDialogIn(Fake(2)));
  EXPECT_EQ(font, g_hControlFont) << "shared, not made again";
  EXPECT_EQ(2, g_dialogCount);
  EXPECT_TRUE(CountDialogOut(Fake(1)));
  EXPECT_EQ(OBJ_BRUSH, GetObjectType(brush));
  EXPECT_TRUE(CountDialogOut(Fake(2)));
  EXPECT_EQ(0u, GetObjectType(font));
  EXPECT_EQ(0u, GetObjectType(brush));
  EXPECT_EQ(0u, GetObjectType(bitmap));
  EXPECT_EQ(brush, g_hFaceBrush) << "deleted handles are not cleared";
  EXPECT_EQ(GetSysColorBrush(COLOR_BTNFACE), FaceBrush()) << "colour answers stay valid";
}

TEST_F(SharedObjects, ADialogCountsInOnceAndOnlyCountedDialogsCountOut) {
  EXPECT_TRUE(CountDialogIn(Fake(1)));
  EXPECT_FALSE(CountDialogIn(Fake(1))) << "a second WM_INITDIALOG";
  EXPECT_EQ(1, g_dialogCount);
  EXPECT_FALSE(CountDialogOut(Fake(2))) << "never counted in";
  EXPECT_EQ(1, g_dialogCount);
  EXPECT_EQ(OBJ_BRUSH, GetObjectType(g_hFaceBrush));
  EXPECT_TRUE(CountDialogOut(Fake(1)));
  EXPECT_FALSE(CountDialogOut(Fake(1)));
  FreeSharedObjects();
  EXPECT_EQ(0, g_dialogCount) << "never below zero";
}

TEST_F(SharedObjects, ManyDialogsAtOnce) {
  for (int i = 0; i < 40; ++i) ASSERT_TRUE(CountDialogIn(Fake(i)));
  EXPECT_EQ(40, g_dialogCount);
  HBRUSH brush = g_hFaceBrush;
  for (int i = 39; i >= 1; i -= 2) ASSERT_TRUE(CountDialogOut(Fake(i)));
  for (int i = 0; i < 40; i += 2) ASSERT_FALSE(CountDialogIn(Fake(i))) << "still counted: " << i;
  for (int i = 0; i < 40; i += 2) ASSERT_TRUE(CountDialogOut(Fake(i)));
  EXPECT_EQ(0u, GetObjectType(brush));
}

// ---- treatment with and without the glyph bitmap ----

class Treatment : public ::testing::Test {
 protected:
  void SetUp() override {
    rt::Log().clear();
    g_hModule = GetModuleHandleA(nullptr);
    Ctl3dAutoSubclass(g_hModule);
    ASSERT_NE(nullptr, g_hCbtHook);
    g_drawButtons = 1;  // as below version 4, whatever this program is told
  }
  void TearDown() override {
    Ctl3dUnAutoSubclass();
    g_hModule = GetModuleHandleA(nullptr);
    EXPECT_EQ(0, g_dialogCount);
  }
};

TEST_F(Treatment, GlyphButtonsGetTheLibrarysProceduresWhenTheBitmapLoads) {
  HWND dlg = rt::OpenDialog(IDD_BUTTONS);
  DialogGuard guard(dlg);
  EXPECT_EQ(reinterpret_cast<void*>(CheckBoxProc), rt::WindowProc(GetDlgItem(dlg, IDC_AUTO_CHECK)));
  EXPECT_EQ(reinterpret_cast<void*>(CheckBoxProc), rt::WindowProc(GetDlgItem(dlg, IDC_AUTO_3STATE)));
  EXPECT_EQ(reinterpret_cast<void*>(RadioButtonProc), rt::WindowProc(GetDlgItem(dlg, IDC_RADIO_101)));
  EXPECT_EQ(reinterpret_cast<void*>(GroupBoxProc), rt::WindowProc(GetDlgItem(dlg, IDC_FRAME)));
  EXPECT_EQ(reinterpret_cast<void*>(DialogProc), rt::WindowProc(dlg));
}

TEST_F(Treatment, WithoutTheGlyphBitmapCheckBoxesAndRadiosKeepThePlatformsProcedure) {
  g_hModule = GetModuleHandleA("kernel32.dll");  // a module without RidgelBitmap
  HWND dlg = rt::OpenDialog(IDD_BUTTONS);
  ASSERT_NE(nullptr, dlg);
  DialogGuard guard(dlg);
  EXPECT_EQ(nullptr, g_hGlyphBitmap);
  for (int id : {IDC_PLAIN_CHECK, IDC_AUTO_CHECK, IDC_3STATE, IDC_AUTO_3STATE, IDC_PLAIN_RADIO,
                 IDC_RADIO_100}) {
    EXPECT_FALSE(rt::IsSubclassed(GetDlgItem(dlg, id))) << "control " << id;
  }
  EXPECT_EQ(reinterpret_cast<void*>(GroupBoxProc), rt::WindowProc(GetDlgItem(dlg, IDC_FRAME)));
  HWND box = GetDlgItem(dlg, IDC_AUTO_CHECK);
  SendMessageA(box, BM_SETCHECK, BST_CHECKED, 0);
  EXPECT_EQ(BST_CHECKED, SendMessageA(box, BM_GETCHECK, 0, 0)) << "the platform's check box works";
}

TEST_F(Treatment, AFailedSubclassingKeepsTheLastGoodAtomPair) {
  HWND dlg = rt::OpenDialog(IDD_CONTROLS);
  DialogGuard guard(dlg);
  DWORD good = g_propAtoms;
  ASSERT_NE(0u, good);
  g_hwndPendingDialog = dlg;  // already subclassed: the next creation's attempt fails
  DestroyWindow(rt::CreatePlainWindow());
  EXPECT_EQ(good, g_propAtoms);
  EXPECT_EQ(nullptr, g_hwndPendingDialog);
  // Only the dialog manager's own procedure knows the default button.
  EXPECT_EQ(MAKELONG(IDC_DEFPUSH, DC_HASDEFID), SendMessageA(dlg, DM_GETDEFID, 0, 0))
      << "still forwarded to the dialog's old procedure";
}

TEST_F(Treatment, DialogOfAClassOfItsOwnIsNotRecognised) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = DefDlgProcA;
  wc.cbWndExtra = DLGWINDOWEXTRA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "RidgelOwnDialog";
  ASSERT_NE(0, RegisterClassA(&wc));
  HWND dlg = CreateWindowExA(0, "RidgelOwnDialog", "own", WS_POPUP, 0, 0, 50, 50, nullptr,
                             nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(nullptr, dlg);
  EXPECT_EQ(nullptr, g_hwndPendingDialog) << "only the class atom 32770 is a dialog";
  DestroyWindow(rt::CreatePlainWindow());
  EXPECT_FALSE(rt::IsSubclassed(dlg));
  DestroyWindow(dlg);
  UnregisterClassA("RidgelOwnDialog", GetModuleHandleA(nullptr));
}

}  // namespace
