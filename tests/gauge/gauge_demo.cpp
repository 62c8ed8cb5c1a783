// A small program that uses gauge.dll as any program would: loads it by name, shows a dialog
// whose template holds an "Update" gauge, and moves the gauge from 0 % to 100 % as "work"
// progresses (Step: ten files at a time; Run: the rest one by one), then unloads it.
#include <windows.h>

#include "gauge.h"
#include "gauge_demo.h"

namespace {

const int kFiles = 100;
bool g_bClosing = false;  // Close was pressed: a run in progress stops

void ShowProgress(HWND dlg, int done) {
  SendDlgItemMessageA(dlg, IDC_DEMO_GAUGE, UM_SETPOS, done, 0);
  char text[64];
  wsprintfA(text, "Copied %d of %d files", done, kFiles);
  SetDlgItemTextA(dlg, IDC_DEMO_STATUS, text);
}

int Done(HWND dlg) {
  return static_cast<int>(SendDlgItemMessageA(dlg, IDC_DEMO_GAUGE, UM_GETPOS, 0, 0));
}

// Lets the dialog and everything else on the thread run for `ms` between two files.
void PumpFor(HWND dlg, DWORD ms) {
  DWORD start = GetTickCount();
  while (GetTickCount() - start < ms) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
      if (!IsDialogMessageA(dlg, &msg)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
}

void RunToTheEnd(HWND dlg) {
  EnableWindow(GetDlgItem(dlg, IDC_DEMO_STEP), FALSE);
  EnableWindow(GetDlgItem(dlg, IDC_DEMO_RUN), FALSE);
  for (int done = Done(dlg) + 1; done <= kFiles && !g_bClosing; ++done) {
    ShowProgress(dlg, done);
    PumpFor(dlg, 15);
  }
  if (!g_bClosing) {
    EnableWindow(GetDlgItem(dlg, IDC_DEMO_STEP), TRUE);
    EnableWindow(GetDlgItem(dlg, IDC_DEMO_RUN), TRUE);
  }
}

INT_PTR CALLBACK DemoDialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM) {
  switch (msg) {
    case WM_INITDIALOG:
      SendDlgItemMessageA(dlg, IDC_DEMO_GAUGE, UM_SETRANGE, kFiles, 0);
      ShowProgress(dlg, 0);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_DEMO_STEP: {
          int done = Done(dlg) + 10;
          ShowProgress(dlg, done > kFiles ? 0 : done);  // past the end starts again
          return TRUE;
        }
        case IDC_DEMO_RUN:
          RunToTheEnd(dlg);
          return TRUE;
        case IDCANCEL:
          g_bClosing = true;
          EndDialog(dlg, 0);
          return TRUE;
      }
      break;
  }
  return FALSE;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  HMODULE gauge = LoadLibraryA("gauge.dll");
  if (!gauge) {
    MessageBoxA(nullptr, "gauge.dll could not be loaded.", "Gauge demo", MB_ICONSTOP);
    return 1;
  }
  INT_PTR result = DialogBoxParamA(instance, "GaugeDemo", nullptr, DemoDialogProc, 0);
  FreeLibrary(gauge);  // the dialog and its gauge are gone by now
  return result == 0 ? 0 : 2;
}
