// Shows one dialog with every kind of control the raised look treats, either plain or with
// ridgel.dll (from the program's own folder) loaded first: "ridgel_demo plain" or
// "ridgel_demo ridgel". The dialog's title says which, and the platform version seen.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "ridgel_demo.h"

namespace {

char g_szTitle[96];

void FillDemo(HWND dlg) {
  SetWindowTextA(dlg, g_szTitle);
  SetDlgItemTextA(dlg, IDC_DEMO_EDIT, "Edit control");
  for (const char* s : {"List box", "second line", "third line"}) {
    SendDlgItemMessageA(dlg, IDC_DEMO_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
  }
  SendDlgItemMessageA(dlg, IDC_DEMO_LIST, LB_SETCURSEL, 1, 0);
  SetDlgItemTextA(dlg, IDC_DEMO_COMBO, "Combo box");
  SendDlgItemMessageA(dlg, IDC_DEMO_AUTOCHECK, BM_SETCHECK, BST_CHECKED, 0);
  SendDlgItemMessageA(dlg, IDC_DEMO_3STATE, BM_SETCHECK, BST_INDETERMINATE, 0);
  SendDlgItemMessageA(dlg, IDC_DEMO_RADIO2, BM_SETCHECK, BST_CHECKED, 0);
  SCROLLINFO si = {sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 100, 20, 30, 0};
  SetScrollInfo(GetDlgItem(dlg, IDC_DEMO_SCROLL), SB_CTL, &si, TRUE);
}

INT_PTR CALLBACK DemoDialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG:
      FillDemo(dlg);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) EndDialog(dlg, LOWORD(wParam));
      return TRUE;
    case WM_CLOSE:
      EndDialog(dlg, IDCANCEL);
      return TRUE;
    default:
      return FALSE;
  }
}

HMODULE LoadRidgelBesideUs() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  while (n > 0 && path[n - 1] != '\\' && path[n - 1] != '/') --n;
  if (n + sizeof "ridgel.dll" > sizeof path) return nullptr;
  std::memcpy(path + n, "ridgel.dll", sizeof "ridgel.dll");
  return LoadLibraryA(path);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR cmdLine, int) {
  bool withRidgel = std::strstr(cmdLine, "ridgel") != nullptr;
  int major = LOBYTE(LOWORD(GetVersion()));
  HMODULE ridgel = withRidgel ? LoadRidgelBesideUs() : nullptr;
  if (withRidgel && !ridgel) return 2;
  std::snprintf(g_szTitle, sizeof g_szTitle, "Raised look - %s, version %d",
                withRidgel ? "ridgel" : "plain", major);
  INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_DEMO), nullptr, DemoDialogProc, 0);
  if (ridgel) FreeLibrary(ridgel);
  return result == IDOK ? 0 : 1;
}
