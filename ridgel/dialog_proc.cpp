// The procedure every caught dialog gets: it treats the controls before the application sees
// WM_INITDIALOG, answers the colour questions itself (button face, white for edit controls
// and list boxes) and erases the background in the button-face colour.
#include "ridgel.h"

#include "gdi_guard.h"

namespace {

void OnDialogInit(HWND dialog) {
  CountDialogIn(dialog);
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    TreatDialogChild(child, ControlClassIndex(child));
  }
}

LRESULT FaceColours(HDC dc) {
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  return reinterpret_cast<LRESULT>(FaceBrush());
}

LRESULT WhiteColours(HDC dc) {
  SetBkColor(dc, RGB(255, 255, 255));
  return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
}

LRESULT EraseDialog(HWND dialog, HDC dc) {
  RECT r;
  GetClientRect(dialog, &r);
  gdi::OwnedObject brush(CreateSolidBrush(GetSysColor(COLOR_BTNFACE)));
  gdi::Selection selected(dc, brush.get());
  PatBlt(dc, 0, 0, r.right - r.left, r.bottom - r.top, PATCOPY);
  return 1;
}

}  // namespace

LRESULT CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG:
      OnDialogInit(hwnd);
      break;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
      return FaceColours(reinterpret_cast<HDC>(wParam));
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
      return WhiteColours(reinterpret_cast<HDC>(wParam));
    case WM_ERASEBKGND:
      return EraseDialog(hwnd, reinterpret_cast<HDC>(wParam));
    case WM_DESTROY:
      CountDialogOut(hwnd);
      break;
    default:
      break;
  }
  return CallOldProc(hwnd, msg, wParam, lParam, g_propAtoms);
}
