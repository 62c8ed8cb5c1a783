// The real ridgel.dll loaded into a program: which dialogs its hook catches and when, what the
// exports do to the hook, the subclass record left in window properties, and how long the
// shared drawing objects live.
#include <windows.h>

#include <gtest/gtest.h>

#include "ridgel_testlib.h"

namespace {

using rt::DialogGuard;
using rt::IsSubclassed;
using rt::Library;
using rt::OpenDialog;

class RidgelHook : public ::testing::Test {
 protected:
  void SetUp() override {
    rt::Log().clear();
    rt::ForgetLeftoverAtoms();  // a failed test before must not fail the next
  }
  void TearDown() override {
    // Every window the test made is gone: no subclass record may have outlived its window.
    EXPECT_EQ(0, rt::HighAtom()) << "the atom \"DialogsHook\" is still referenced";
    EXPECT_EQ(0, rt::LowAtom()) << "the reversed atom is still referenced";
    EXPECT_EQ(nullptr, GetModuleHandleA("ridgel.dll")) << "the library stayed loaded";
  }
};

HBRUSH AnswerTo(HWND dlg, UINT msg) {
  HDC dc = GetDC(dlg);
  HBRUSH brush = reinterpret_cast<HBRUSH>(
      SendMessageA(dlg, msg, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(dlg)));
  ReleaseDC(dlg, dc);
  return brush;
}

HFONT FontOf(HWND dlg, int id) {
  return reinterpret_cast<HFONT>(SendDlgItemMessageA(dlg, id, WM_GETFONT, 0, 0));
}

TEST_F(RidgelHook, WithoutTheLibraryDialogsAreLeftAlone) {
  HWND dlg = OpenDialog(IDD_CONTROLS);
  ASSERT_NE(nullptr, dlg);
  DialogGuard guard(dlg);
  EXPECT_FALSE(IsSubclassed(dlg));
  EXPECT_EQ(rt::AppBrush(), AnswerTo(dlg, WM_CTLCOLORDLG)) << "the application answers itself";
}

TEST_F(RidgelHook, LoadingAloneTreatsTheLoadingThreadsDialogs) {
  Library lib;
  ASSERT_TRUE(lib.Complete()) << "could not load " << rt::RidgelPath();
  HWND dlg = OpenDialog(IDD_CONTROLS);
  ASSERT_NE(nullptr, dlg);
  DialogGuard guard(dlg);
  EXPECT_TRUE(IsSubclassed(dlg));
  EXPECT_TRUE(lib.Contains(rt::WindowProc(dlg))) << "the dialog's procedure is the library's";
  EXPECT_EQ(1, rt::CountSeen(dlg, WM_INITDIALOG)) << "the application still sees WM_INITDIALOG";
  HBRUSH face = AnswerTo(dlg, WM_CTLCOLORDLG);
  EXPECT_NE(rt::AppBrush(), face);
  LOGBRUSH lb = {};
  ASSERT_EQ(int(sizeof lb), GetObjectA(face, sizeof lb, &lb));
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), lb.lbColor);
  EXPECT_EQ(0, rt::CountSeen(dlg, WM_CTLCOLORDLG)) << "colour answers never reach the application";
  EXPECT_EQ(OBJ_FONT, GetObjectType(FontOf(dlg, IDC_EDIT)));
}

// The application's dialog procedure sees WM_INITDIALOG after the controls got their font.
HFONT g_fontAtInit;
INT_PTR CALLBACK FontAtInitProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_INITDIALOG) g_fontAtInit = FontOf(hwnd, IDC_TEXT);
  return rt::RecordingDialogProc(hwnd, msg, wParam, lParam);
}

TEST_F(RidgelHook, ControlsAreTreatedBeforeTheApplicationSeesInitDialog) {
  Library lib;
  ASSERT_TRUE(lib.Complete());
  g_fontAtInit = nullptr;
  HWND dlg = OpenDialog(IDD_CONTROLS, FontAtInitProc);
  ASSERT_NE(nullptr, dlg);
  DialogGuard guard(dlg);
  ASSERT_NE(nullptr, g_fontAtInit);
  LOGFONTA lf = {};
  ASSERT_EQ(int(sizeof lf), GetObjectA(g_fontAtInit, sizeof lf, &lf));
  EXPECT_EQ(FW_NORMAL, lf.lfWeight);
  EXPECT_EQ(VARIABLE_PITCH | FF_SWISS, lf.lfPitchAndFamily) << "the library's font, not the template's";
}

// The message box is inspected from a timer while its modal loop runs, then closed.
struct BoxReport {
  bool found = false, subclassed = false, procInLibrary = false;
  HBRUSH staticAnswer = nullptr;
  const Library* lib = nullptr;
  DWORD start = 0;
} g_box;

void CALLBACK InspectBox(HWND, UINT, UINT_PTR, DWORD) {
  HWND box = FindWindowA("#32770", "Ridgel message box");
  if (box && IsWindowVisible(box)) {
    g_box.found = true;
    g_box.subclassed = IsSubclassed(box);
    g_box.procInLibrary = g_box.lib->Contains(rt::WindowProc(box));
    g_box.staticAnswer = AnswerTo(box, WM_CTLCOLORSTATIC);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
  } else if (box && GetTickCount() - g_box.start > 10000) {
    PostMessageA(box, WM_COMMAND, IDOK, 0);  // give up, but never hang
  }
}

TEST_F(RidgelHook, MessageBoxIsTreatedLikeAnyDialog) {
  Library lib;
  ASSERT_TRUE(lib.Complete());
  HWND dlg = OpenDialog(IDD_CONTROLS);
  DialogGuard guard(dlg);
  g_box = BoxReport();
  g_box.lib = &lib;
  g_box.start = GetTickCount();
  UINT_PTR timer = SetTimer(nullptr, 0, 20, InspectBox);
  int answer = MessageBoxA(nullptr, "Raised?", "Ridgel message box", MB_OK);
  KillTimer(nullptr, timer);
  EXPECT_EQ(IDOK, answer);
  ASSERT_TRUE(g_box.found);
  EXPECT_TRUE(g_box.subclassed);
  EXPECT_TRUE(g_box.procInLibrary);
  EXPECT_EQ(AnswerTo(dlg, WM_CTLCOLORDLG), g_box.staticAnswer) << "the shared face brush";
}

TEST_F(RidgelHook, ExportsAnswerTrueInAnyOrderAndNeverHookTwice) {
  Library lib;
  ASSERT_TRUE(lib.Complete());
  HINSTANCE me = GetModuleHandleA(nullptr);
  EXPECT_EQ(TRUE, lib.registerFn(me));
  EXPECT_EQ(TRUE, lib.autoSubclass(me));
  EXPECT_EQ(TRUE, lib.unregisterFn(me));
  EXPECT_EQ(TRUE, lib.autoSubclass(nullptr));
  EXPECT_EQ(TRUE, lib.registerFn(nullptr));
  EXPECT_EQ(TRUE, lib.unregisterFn(nullptr));
  // One unhook must leave no hook behind: a second one set by the repeated calls would still
  // catch this dialog.
  EXPECT_EQ(TRUE, lib.unAutoSubclass());
  EXPECT_EQ(TRUE, lib.unAutoSubclass()) << "unhooking without a hook";
  {
    HWND dlg = OpenDialog(IDD_CONTROLS);
    DialogGuard guard(dlg);
    EXPECT_FALSE(IsSubclassed(dlg));
  }
  EXPECT_EQ(TRUE, lib.autoSubclass(me));
  HWND dlg = OpenDialog(IDD_CONTROLS);
  DialogGuard guard(dlg);
  EXPECT_TRUE(IsSubclassed(dlg)) << "hooked again";
}

// The other thread hooks itself, opens a dialog, lets the main thread open one, then unhooks.
struct OtherThread {
  const Library* lib;
  HANDLE hooked, mainDone;
  BOOL hookResult = FALSE, unhookResult = FALSE;
  bool subclassed = false;
};

DWORD WINAPI HookOnOtherThread(LPVOID param) {
  auto* t = static_cast<OtherThread*>(param);
  HWND anchor = rt::CreatePlainWindow();
  t->hookResult = t->lib->autoSubclass(nullptr);
  HWND dlg = OpenDialog(IDD_CONTROLS, rt::RecordingDialogProc, 400, 40);
  t->subclassed = dlg && IsSubclassed(dlg);
  SetEvent(t->hooked);
  WaitForSingleObject(t->mainDone, 20000);
  if (dlg) DestroyWindow(dlg);
  t->unhookResult = t->lib->unAutoSubclass();
  DestroyWindow(anchor);
  return 0;
}

TEST_F(RidgelHook, UnhookingHereAndHookingThereMovesTheTreatment) {
  Library lib;
  ASSERT_TRUE(lib.Complete());
  EXPECT_EQ(TRUE, lib.unAutoSubclass());
  OtherThread t = {&lib, CreateEventA(nullptr, TRUE, FALSE, nullptr),
                   CreateEventA(nullptr, TRUE, FALSE, nullptr)};
  HANDLE thread = CreateThread(nullptr, 0, HookOnOtherThread, &t, 0, nullptr);
  ASSERT_NE(nullptr, thread);
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(t.hooked, 20000));
  {
    HWND mine = OpenDialog(IDD_CONTROLS);
    DialogGuard guard(mine);
    EXPECT_FALSE(IsSubclassed(mine)) << "the hook went to the other thread";
  }
  SetEvent(t.mainDone);
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 20000));
  CloseHandle(thread);
  CloseHandle(t.hooked);
  CloseHandle(t.mainDone);
  EXPECT_EQ(TRUE, t.hookResult);
  EXPECT_TRUE(t.subclassed) << "the other thread's dialog is treated";
  EXPECT_EQ(TRUE, t.unhookResult);
}

TEST_F(RidgelHook, OfTwoDialogsCreatedBackToBackOnlyTheSecondIsSubclassed) {
  Library lib;
  ASSERT_TRUE(lib.Complete());
  HWND first = OpenDialog(IDD_EMPTY);  // no controls: no window is created after it
  DialogGuard g1(first);
  HWND second = OpenDialog(IDD_CONTROLS);
  DialogGuard g2(second);
  EXPECT_FALSE(IsSubclassed(first));
  EXPECT_TRUE(IsSubclassed(second));
}

TEST_F(RidgelHook, DialogWithoutControlsIsSubclassedOnlyAtTheNextWindow) {
  Library lib;
  ASSERT_TRUE(lib.Complete());
  HWND dlg = OpenDialog(IDD_EMPTY);
  DialogGuard guard(dlg);
  EXPECT_FALSE(IsSubclassed(dlg));
  EXPECT_EQ(1, rt::CountSeen(dlg, WM_INITDIALOG));
  EXPECT_GT(rt::CountSeen(dlg, WM_CTLCOLORDLG), 0) << "its first painting was the application's";
  HWND next = rt::CreatePlainWindow();
  EXPECT_TRUE(IsSubclassed(dlg));
  DestroyWindow(next);
  EXPECT_NE(rt::AppBrush(), AnswerTo(dlg, WM_CTLCOLORDLG)) << "answered by the library now";
}

TEST_F(RidgelHook, PendingDialogThatIsDestroyedIsNeverSubclassedLater) {
  Library lib;
  ASSERT_TRUE(lib.Complete());
  HWND dlg = OpenDialog(IDD_EMPTY);
  ASSERT_NE(nullptr, dlg);
  DestroyWindow(dlg);
  HWND next = rt::CreatePlainWindow();
  EXPECT_FALSE(IsSubclassed(next));
  DestroyWindow(next);
  // TearDown checks that no atom reference was taken for the dead dialog.
}

// The subclass record of a real dialog, checked from inside the application's own procedure
// while WM_DESTROY passes: by then the old procedure is back and the properties are gone.
struct DestroyReport {
  bool seen = false;
  bool propsGone = false;
  LONG_PTR procAtDestroy = 0;
} g_destroy;

INT_PTR CALLBACK ReportDestroyProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_DESTROY) {
    g_destroy.seen = true;
    g_destroy.propsGone = !IsSubclassed(hwnd);
    g_destroy.procAtDestroy = GetWindowLongPtrA(hwnd, GWLP_WNDPROC);
  }
  return rt::RecordingDialogProc(hwnd, msg, wParam, lParam);
}

TEST_F(RidgelHook, SubclassRecordHoldsTheHalvesOfTheOldProcedureUntilDestroy) {
  LONG_PTR plainProc;
  {
    HWND plain = OpenDialog(IDD_CONTROLS, ReportDestroyProc);
    DialogGuard guard(plain);
    plainProc = GetWindowLongPtrA(plain, GWLP_WNDPROC);
  }
  Library lib;
  ASSERT_TRUE(lib.Complete());
  HWND dlg = OpenDialog(IDD_CONTROLS, ReportDestroyProc);
  ASSERT_NE(nullptr, dlg);
  ATOM high = rt::HighAtom(), low = rt::LowAtom();
  ASSERT_NE(0, high);
  ASSERT_NE(0, low);
  EXPECT_EQ(DWORD_PTR(plainProc) & 0xFFFF, rt::PropValue(dlg, low)) << "low property: low half";
  EXPECT_EQ(DWORD_PTR(plainProc) >> 16, rt::PropValue(dlg, high)) << "high property: high half";
  EXPECT_NE(plainProc, GetWindowLongPtrA(dlg, GWLP_WNDPROC));
  g_destroy = DestroyReport();
  DestroyWindow(dlg);
  EXPECT_TRUE(g_destroy.seen);
  EXPECT_TRUE(g_destroy.propsGone);
  EXPECT_EQ(plainProc, g_destroy.procAtDestroy) << "the old procedure is back in place";
}

TEST_F(RidgelHook, AtomsAreReferencedWhileAnySubclassedWindowLives) {
  Library lib;
  ASSERT_TRUE(lib.Complete());
  HWND a = OpenDialog(IDD_CONTROLS);
  ATOM high = rt::HighAtom();
  ASSERT_NE(0, high);
  HWND b = OpenDialog(IDD_CONTROLS, rt::RecordingDialogProc, 300, 40);
  EXPECT_EQ(high, rt::HighAtom()) << "one atom for every record";
  // The group box of each dialog carries a record too.
  EXPECT_TRUE(IsSubclassed(GetDlgItem(a, IDC_GROUP)));
  DestroyWindow(a);
  EXPECT_EQ(high, rt::HighAtom()) << "b and its group box still hold references";
  EXPECT_NE(0, rt::LowAtom());
  DestroyWindow(b);
  EXPECT_EQ(0, rt::HighAtom()) << "the last reference went with b";
  EXPECT_EQ(0, rt::LowAtom());
}

TEST_F(RidgelHook, SharedObjectsLiveFromTheFirstTreatedDialogToTheLast) {
  Library lib;
  ASSERT_TRUE(lib.Complete());
  HWND a = OpenDialog(IDD_CONTROLS);
  HBRUSH brush = AnswerTo(a, WM_CTLCOLORDLG);
  HFONT font = FontOf(a, IDC_EDIT);
  ASSERT_EQ(OBJ_BRUSH, GetObjectType(brush));
  ASSERT_EQ(OBJ_FONT, GetObjectType(font));
  HWND b = OpenDialog(IDD_CONTROLS, rt::RecordingDialogProc, 300, 40);
  EXPECT_EQ(brush, AnswerTo(b, WM_CTLCOLORDLG)) << "the second dialog shares the brush";
  EXPECT_EQ(font, FontOf(b, IDC_EDIT)) << "and the font";
  DestroyWindow(a);
  EXPECT_EQ(OBJ_BRUSH, GetObjectType(brush)) << "b still uses it";
  EXPECT_EQ(OBJ_FONT, GetObjectType(font));
  DestroyWindow(b);
  EXPECT_EQ(0u, GetObjectType(brush)) << "deleted with the last dialog";
  EXPECT_EQ(0u, GetObjectType(font));
  HWND c = OpenDialog(IDD_CONTROLS);
  DialogGuard guard(c);
  EXPECT_EQ(OBJ_BRUSH, GetObjectType(AnswerTo(c, WM_CTLCOLORDLG))) << "made anew";
  EXPECT_EQ(OBJ_FONT, GetObjectType(FontOf(c, IDC_EDIT)));
}

TEST_F(RidgelHook, DialogSubclassedAfterItsInitDialogNeverCountsOut) {
  Library lib;
  ASSERT_TRUE(lib.Complete());
  HWND treated = OpenDialog(IDD_CONTROLS);
  DialogGuard guard(treated);
  HBRUSH brush = AnswerTo(treated, WM_CTLCOLORDLG);
  HFONT font = FontOf(treated, IDC_EDIT);
  HWND late = OpenDialog(IDD_EMPTY, rt::RecordingDialogProc, 300, 40);
  DestroyWindow(rt::CreatePlainWindow());
  ASSERT_TRUE(IsSubclassed(late));
  DestroyWindow(late);
  EXPECT_EQ(OBJ_BRUSH, GetObjectType(brush)) << "the treated dialog is still open";
  EXPECT_EQ(OBJ_FONT, GetObjectType(font));
  EXPECT_EQ(brush, AnswerTo(treated, WM_CTLCOLORDLG));
}

TEST_F(RidgelHook, LateDialogAloneLeavesTheCountAtZero) {
  Library lib;
  ASSERT_TRUE(lib.Complete());
  HWND late = OpenDialog(IDD_EMPTY);
  DestroyWindow(rt::CreatePlainWindow());
  ASSERT_TRUE(IsSubclassed(late));
  HBRUSH answer = AnswerTo(late, WM_CTLCOLORDLG);
  EXPECT_NE(0u, GetObjectType(answer)) << "a live face-coloured brush even with no objects made";
  DestroyWindow(late);
  // Had the late dialog counted out, the count would be below zero and the next dialog would
  // find no objects made for it.
  HWND next = OpenDialog(IDD_CONTROLS);
  DialogGuard guard(next);
  HFONT templateFont = reinterpret_cast<HFONT>(SendMessageA(next, WM_GETFONT, 0, 0));
  EXPECT_NE(templateFont, FontOf(next, IDC_EDIT)) << "the controls got the library's font";
  EXPECT_EQ(OBJ_FONT, GetObjectType(FontOf(next, IDC_EDIT)));
  HBRUSH brush = AnswerTo(next, WM_CTLCOLORDLG);
  EXPECT_NE(GetSysColorBrush(COLOR_BTNFACE), brush) << "the library's own brush was made";
  EXPECT_EQ(OBJ_BRUSH, GetObjectType(brush));
}

}  // namespace
