// What the raised look costs a program: the time to create, show, paint and destroy a dialog
// with ridgel.dll loaded, against the same dialogs without it measured in the same run, and
// the time of a check-state change of a check box. Prints figures and ratios; run it through
// scripts/bench (once as version 3, where the library draws the check boxes, once as is).
#include <windows.h>

#include <cstdio>
#include <string>

#include "ridgel_tests.h"
#include "wintest.h"

namespace {

INT_PTR CALLBACK QuietDialogProc(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_INITDIALOG; }

double Now() {
  LARGE_INTEGER t, f;
  QueryPerformanceCounter(&t);
  QueryPerformanceFrequency(&f);
  return double(t.QuadPart) / double(f.QuadPart);
}

// Milliseconds per dialog opened, painted and closed; the best of five rounds.
double DialogMs(int templateId, int count) {
  double best = 1e9;
  for (int round = 0; round < 5; ++round) {
    double start = Now();
    for (int i = 0; i < count; ++i) {
      HWND dlg = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId),
                                    nullptr, QuietDialogProc, 0);
      SetWindowPos(dlg, HWND_TOP, 40, 40, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
      UpdateWindow(dlg);
      DestroyWindow(dlg);
      wintest::Pump();
    }
    double ms = (Now() - start) * 1000 / count;
    if (ms < best) best = ms;
  }
  return best;
}

// Microseconds per BM_SETCHECK of a check box (which redraws it), the best of five rounds.
double SetCheckUs(int count) {
  HWND dlg = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_BUTTONS), nullptr,
                                QuietDialogProc, 0);
  SetWindowPos(dlg, HWND_TOP, 40, 40, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
  UpdateWindow(dlg);
  HWND box = GetDlgItem(dlg, IDC_AUTO_3STATE);
  double best = 1e9;
  for (int round = 0; round < 5; ++round) {
    double start = Now();
    for (int i = 0; i < count; ++i) {
      SendMessageA(box, BM_SETCHECK, i % 3, 0);
      UpdateWindow(box);
    }
    GdiFlush();
    double us = (Now() - start) * 1e6 / count;
    if (us < best) best = us;
  }
  DestroyWindow(dlg);
  wintest::Pump();
  return best;
}

std::string LibraryPath() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string s(path, n);
  return s.substr(0, s.find_last_of("\\/")) + "\\ridgel.dll";
}

}  // namespace

int main() {
  const int kDialogs = 40, kChecks = 400;
  HWND anchor = CreateWindowA("Static", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  DialogMs(IDD_CONTROLS, 5);  // warm up the controls and fonts
  double plainControls = DialogMs(IDD_CONTROLS, kDialogs);
  double plainButtons = DialogMs(IDD_BUTTONS, kDialogs);
  double plainCheck = SetCheckUs(kChecks);
  HMODULE lib = LoadLibraryA(LibraryPath().c_str());
  if (!lib) {
    std::printf("could not load %s\n", LibraryPath().c_str());
    return 1;
  }
  double raisedControls = DialogMs(IDD_CONTROLS, kDialogs);
  double raisedButtons = DialogMs(IDD_BUTTONS, kDialogs);
  double raisedCheck = SetCheckUs(kChecks);
  FreeLibrary(lib);
  DestroyWindow(anchor);
  std::printf("platform version %d\n", LOBYTE(LOWORD(GetVersion())));
  std::printf("dialog of every control class: %.2f ms plain, %.2f ms raised (ratio %.2f)\n",
              plainControls, raisedControls, raisedControls / plainControls);
  std::printf("dialog of 12 buttons:          %.2f ms plain, %.2f ms raised (ratio %.2f)\n",
              plainButtons, raisedButtons, raisedButtons / plainButtons);
  std::printf("check state change, redrawn:   %.1f us plain, %.1f us raised (ratio %.2f)\n",
              plainCheck, raisedCheck, raisedCheck / plainCheck);
  return 0;
}
