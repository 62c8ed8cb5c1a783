// What each control of a dialog gets at WM_INITDIALOG: the control font, a height fitted to
// that font for edit controls, and for some buttons a procedure of ours.
#include "ridgel.h"

#include "gdi_guard.h"
#include "geometry.h"

namespace {

const char* const kControlClasses[] = {"Button", "Edit", "Static", "ListBox", "ComboBox",
                                       "ComboLBox"};
enum { kClassButton = 0, kClassEdit = 1 };

// The procedure a button of this type gets, or 0. Glyph buttons need the glyph bitmap: without
// it they keep the platform's own drawing.
WNDPROC ButtonProcFor(int type) {
  bool glyphs = g_drawButtons == 1 && g_hGlyphBitmap;
  switch (type) {
    case ridgel::kCheckBox:
    case ridgel::kAutoCheckBox:
    case ridgel::k3State:
    case ridgel::kAuto3State:
      return glyphs ? CheckBoxProc : nullptr;
    case ridgel::kRadioButton:
    case ridgel::kAutoRadioButton:
      return glyphs ? RadioButtonProc : nullptr;
    case ridgel::kGroupBox:
      return GroupBoxProc;
    default:
      return nullptr;
  }
}

// tmHeight + tmInternalLeading of whatever font the context has selected.
int FontLineHeight(HDC dc) {
  TEXTMETRICA tm;
  if (!GetTextMetricsA(dc, &tm)) return 0;
  return tm.tmHeight + tm.tmInternalLeading;
}

}  // namespace

int ControlClassIndex(HWND hwnd) {
  char name[63];
  if (!GetClassNameA(hwnd, name, sizeof name)) return -1;
  for (int i = 0; i < int(sizeof kControlClasses / sizeof kControlClasses[0]); ++i) {
    if (lstrcmpiA(name, kControlClasses[i]) == 0) return i;
  }
  return -1;
}

void TreatDialogChild(HWND hwnd, int classIndex) {
  if (classIndex != -1 && g_hControlFont) {
    SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(g_hControlFont), FALSE);
  }
  if (classIndex == kClassButton) {
    WNDPROC proc = ButtonProcFor(GetWindowLongA(hwnd, GWL_STYLE) & 0x0F);
    if (proc) SubclassWindow(hwnd, proc, kPropBaseName);
  } else if (classIndex == kClassEdit) {
    FitEditHeight(hwnd);
  }
}

// Keeps the control's left edge, width and vertical centre; its height follows the difference
// between the system font and the control font (plus 2 for the control's border room).
void FitEditHeight(HWND hwnd) {
  int hs, hf;
  {
    gdi::WindowDC screen(nullptr);
    if (!screen.get()) return;
    hs = FontLineHeight(screen.get());
    gdi::Selection font(screen.get(), g_hControlFont);
    hf = FontLineHeight(screen.get()) + 2;
  }
  RECT r;
  if (!GetWindowRect(hwnd, &r)) return;
  POINT topLeft = {r.left, r.top}, bottomRight = {r.right, r.bottom};
  HWND parent = GetParent(hwnd);
  ScreenToClient(parent, &topLeft);
  ScreenToClient(parent, &bottomRight);
  int d = ridgel::EditFitDelta(hs, hf);
  int top = topLeft.y + d, bottom = bottomRight.y - d;
  SetWindowPos(hwnd, nullptr, topLeft.x, top, bottomRight.x - topLeft.x, bottom - top,
               SWP_NOZORDER);
}
