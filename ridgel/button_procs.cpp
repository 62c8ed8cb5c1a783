// The procedures of the controls we take over: group boxes (our painting, the platform's
// behaviour) and, below platform version 4, check boxes and radio buttons, which we draw from
// the glyph bitmap and operate ourselves. The check state lives in the low 2 bits of the
// control's first window word; the other 14 bits are kept.
#include "ridgel.h"

#include <climits>

#include "geometry.h"

int g_tracking;
int g_pointerInside;

namespace {

int ReadCheckState(HWND hwnd) { return GetWindowWord(hwnd, 0) & 3; }

void StoreCheckState(HWND hwnd, int state) {
  WORD word = static_cast<WORD>(GetWindowWord(hwnd, 0));
  SetWindowWord(hwnd, 0, static_cast<WORD>((word & ~3u) | (unsigned(state) & 3u)));
}

int ButtonType(HWND hwnd) { return GetWindowLongA(hwnd, GWL_STYLE) & 0x0F; }

void StartTracking(HWND hwnd) {
  g_pointerInside = 1;
  g_tracking = 1;
  SetCapture(hwnd);
}

// Follows the pointer during a press; returns 1 when it just came in, −1 when it just left.
int TrackPointer(HWND hwnd, LPARAM lParam) {
  // The coordinates are taken unsigned, so a pointer left of or above the control is outside.
  POINT pt = {LONG(LOWORD(lParam)), LONG(HIWORD(lParam))};
  RECT client;
  GetClientRect(hwnd, &client);
  int inside = PtInRect(&client, pt) ? 1 : 0;
  int change = inside == g_pointerInside ? 0 : inside ? 1 : -1;
  g_pointerInside = inside;
  return change;
}

// Ends a press; true when it counts as a click (the pointer was inside at release).
bool EndTracking() {
  g_tracking = 0;
  ReleaseCapture();
  if (!g_pointerInside) return false;
  g_pointerInside = 0;
  return true;
}

// The capture was taken from a control during its press (the control disabled or hidden,
// another window capturing, another program activated): the press ends without a click.
// Left tracking, the next release over any glyph button would count as a click on it, and
// merely passing over one would show it pressed. True when the pressed look must go.
bool LoseTracking(HWND hwnd, LPARAM newCapture) {
  if (!g_tracking || reinterpret_cast<HWND>(newCapture) == hwnd) return false;
  g_tracking = 0;
  bool wasInside = g_pointerInside != 0;
  g_pointerInside = 0;
  return wasInside;
}

// A control destroyed during its press loses the capture without our procedure being told
// (it is no longer in place by then): the press ends here.
void EndPressAtDestroy(HWND hwnd) {
  HWND capture = GetCapture();
  if (capture == hwnd || !capture) LoseTracking(hwnd, 0);
}

void NotifyParent(HWND hwnd) {
  LONG id = GetWindowLongA(hwnd, GWL_ID);
  SendMessageA(GetParent(hwnd), WM_COMMAND, static_cast<WPARAM>(id),
               reinterpret_cast<LPARAM>(hwnd));
}

void DrawRadio(HWND hwnd, int state, bool pressed, int flags = 0) {
  DrawButtonGlyph(hwnd, ridgel::RadioColumn(state, pressed), flags);
}

void OnCheckBoxRelease(HWND hwnd, int state) {
  if (!EndTracking()) return;
  int type = ButtonType(hwnd);
  if (type == ridgel::kAutoCheckBox || type == ridgel::kAuto3State) {
    state = ridgel::StateAfterClick(type, state);
    StoreCheckState(hwnd, state);
    DrawButtonGlyph(hwnd, state, 0);
  }
  NotifyParent(hwnd);
}

void OnRadioRelease(HWND hwnd, int state) {
  if (!EndTracking()) {
    DrawRadio(hwnd, state, false);
    return;
  }
  if (ButtonType(hwnd) == ridgel::kAutoRadioButton) {
    StoreCheckState(hwnd, ridgel::kChecked);
    CheckAutoRadioGroup(GetParent(hwnd), hwnd);
  }
  NotifyParent(hwnd);
}

// A dialog item that belongs to a run of auto radio buttons.
bool IsAutoRadio(HWND item) {
  return item && ControlClassIndex(item) == 0 && ButtonType(item) == ridgel::kAutoRadioButton;
}

bool StartsGroup(HWND item) { return (GetWindowLongA(item, GWL_STYLE) & WS_GROUP) != 0; }

}  // namespace

LRESULT CALLBACK GroupBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_PAINT) {
    PaintGroupBox(hwnd);
    return 0;
  }
  return CallOldProc(hwnd, msg, wParam, lParam, g_propAtoms);
}

LRESULT CALLBACK CheckBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  int state = ReadCheckState(hwnd);
  switch (msg) {
    case WM_PAINT:
      DrawButtonGlyph(hwnd, state, kGlyphForPaint);
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      return 0;
    case WM_ENABLE:
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_DESTROY:
      EndPressAtDestroy(hwnd);
      return CallOldProc(hwnd, msg, wParam, lParam, g_propAtoms);
    case WM_GETFONT:
    case WM_GETDLGCODE:
      return CallOldProc(hwnd, msg, wParam, lParam, g_propAtoms);
    case BM_GETCHECK:
      return state;
    case BM_SETCHECK:
      state = int(wParam & 3);
      StoreCheckState(hwnd, state);
      DrawButtonGlyph(hwnd, state, 0);
      return 0;
    case WM_LBUTTONDOWN:
      StartTracking(hwnd);
      DrawButtonGlyph(hwnd, state, kGlyphPressed);
      return 0;
    case WM_MOUSEMOVE:
      if (!g_tracking) break;
      if (int change = TrackPointer(hwnd, lParam)) {
        DrawButtonGlyph(hwnd, state, change > 0 ? kGlyphPressed : 0);
      }
      return 0;
    case WM_LBUTTONUP:
      OnCheckBoxRelease(hwnd, state);
      return 0;
    case WM_CAPTURECHANGED:
      if (LoseTracking(hwnd, lParam)) DrawButtonGlyph(hwnd, state, 0);
      return 0;
    default:
      break;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK RadioButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  int state = ReadCheckState(hwnd);
  switch (msg) {
    case WM_PAINT:
      DrawRadio(hwnd, state, false, kGlyphForPaint);
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      return 0;
    case WM_ENABLE:
      InvalidateRect(hwnd, nullptr, FALSE);
      UpdateWindow(hwnd);
      return 0;
    case WM_DESTROY:
      EndPressAtDestroy(hwnd);
      return CallOldProc(hwnd, msg, wParam, lParam, g_propAtoms);
    case WM_GETFONT:
    case WM_GETDLGCODE:
      return CallOldProc(hwnd, msg, wParam, lParam, g_propAtoms);
    case BM_GETCHECK:
      return state;
    case BM_SETCHECK:
      state = int(wParam & 3);
      StoreCheckState(hwnd, state);
      DrawRadio(hwnd, state, false);
      return 0;
    case WM_LBUTTONDOWN:
      StartTracking(hwnd);
      DrawRadio(hwnd, state, true);
      return 0;
    case WM_MOUSEMOVE:
      if (!g_tracking) break;
      if (int change = TrackPointer(hwnd, lParam)) DrawRadio(hwnd, state, change > 0);
      return 0;
    case WM_LBUTTONUP:
      OnRadioRelease(hwnd, state);
      return 0;
    case WM_CAPTURECHANGED:
      if (LoseTracking(hwnd, lParam)) DrawRadio(hwnd, state, false);
      return 0;
    default:
      break;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// The group is the run of consecutive ids around the clicked button: auto radio buttons, up to
// (and including, going back) the one that carries WS_GROUP, and not past the next that does.
void CheckAutoRadioGroup(HWND dialog, HWND control) {
  int id = static_cast<int>(GetWindowLongA(control, GWL_ID));
  int first = id;
  while (first > INT_MIN && !StartsGroup(GetDlgItem(dialog, first)) &&
         IsAutoRadio(GetDlgItem(dialog, first - 1))) {
    --first;
  }
  int last = id;
  while (last < INT_MAX && IsAutoRadio(GetDlgItem(dialog, last + 1)) &&
         !StartsGroup(GetDlgItem(dialog, last + 1))) {
    ++last;
  }
  CheckRadioButton(dialog, first, last, id);
}
