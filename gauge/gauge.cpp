// gauge.dll: while loaded, the process has the global window class "Update", a horizontal
// bar showing a centred percentage over a blue filled part. The DLL exports nothing; programs
// create "Update" windows and drive them with UM_SETRANGE, UM_GETRANGE, UM_SETPOS, UM_GETPOS.
#include <windows.h>

#include "gauge.h"
#include "gdi_guard.h"
#include "gauge_layout.h"

// 1 while the class is ours to unregister; 0 if registering it failed at load.
int g_gaugeClassRegistered = 1;

LRESULT CALLBACK GaugeWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

namespace {

// Gauge window words (32 bits each).
const int kRangeWord = 0;
const int kPositionWord = 4;
const int kFontWord = 8;
const int kGaugeWindowBytes = 12;

const COLORREF kFillColor = RGB(0, 0, 255);

// The set messages repaint before they return, so a caller busy with its work (and not
// pumping messages) still sees the bar move.
LRESULT StoreAndRepaint(HWND hwnd, int index, WPARAM value) {
  SetWindowLongA(hwnd, index, static_cast<LONG>(value));
  InvalidateRect(hwnd, nullptr, FALSE);
  UpdateWindow(hwnd);
  return 0;
}

LRESULT OnGaugeCreate(HWND hwnd) {
  SendMessageA(hwnd, UM_SETRANGE, 100, 0);
  SendMessageA(hwnd, UM_SETPOS, 50, 0);
  return 0;
}

LRESULT OnGaugeSetFont(HWND hwnd, WPARAM font, LPARAM redraw) {
  SetWindowLongA(hwnd, kFontWord, static_cast<LONG>(font));
  if (redraw) InvalidateRect(hwnd, nullptr, FALSE);
  return 0;
}

// Draws the text twice at one origin, each time clipped to one part of the bar with the
// colours swapped, so the letters change colour exactly at the fill boundary.
void DrawBar(HDC dc, int width, int height, int fill, const char* text, int length) {
  SetTextAlign(dc, TA_CENTER | TA_TOP);
  SIZE x = {0, 0};
  GetTextExtentPointA(dc, "X", 1, &x);
  int originX = width / 2;
  int originY = GaugeTextTop(height, x.cy);
  COLORREF window = GetSysColor(COLOR_WINDOW);

  RECT filled = {0, 0, fill, height};
  SetBkColor(dc, kFillColor);
  SetTextColor(dc, window);
  ExtTextOutA(dc, originX, originY, ETO_OPAQUE | ETO_CLIPPED, &filled, text, length, nullptr);

  RECT empty = {fill, 0, width, height};
  SetBkColor(dc, window);
  SetTextColor(dc, kFillColor);
  ExtTextOutA(dc, originX, originY, ETO_OPAQUE | ETO_CLIPPED, &empty, text, length, nullptr);
}

// The values are asked of the window itself, not read from its words, so that a subclass
// can show values of its own.
void OnGaugePaint(HWND hwnd) {
  LRESULT range = SendMessageA(hwnd, UM_GETRANGE, 0, 0);  // range first, then position
  LRESULT position = SendMessageA(hwnd, UM_GETPOS, 0, 0);
  GaugeValues values = GaugeValuesFromWords(range, position);
  char text[16];  // "%d%%" of at most 6553500: 8 characters
  int length = wsprintfA(text, "%d%%", values.percent);

  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  if (dc) {
    // The paint DC is returned with the font it was given.
    gdi::Selection font(dc, reinterpret_cast<HFONT>(SendMessageA(hwnd, WM_GETFONT, 0, 0)));
    RECT client;
    GetClientRect(hwnd, &client);
    DrawBar(dc, client.right, client.bottom, GaugeFillWidth(client.right, values), text,
            length);
  }
  EndPaint(hwnd, &ps);
}

}  // namespace

ATOM RegisterGaugeClass(HINSTANCE instance) {
  WNDCLASSA wc;
  wc.style = CS_HREDRAW | CS_VREDRAW | CS_GLOBALCLASS;
  wc.lpfnWndProc = GaugeWndProc;
  wc.cbClsExtra = 0;
  wc.cbWndExtra = kGaugeWindowBytes;
  wc.hInstance = instance;
  wc.hIcon = nullptr;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = nullptr;  // the bar paints every pixel itself
  wc.lpszMenuName = nullptr;
  wc.lpszClassName = GAUGE_CLASS_NAME;
  return RegisterClassA(&wc);
}

LRESULT CALLBACK GaugeWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      return OnGaugeCreate(hwnd);
    case UM_SETRANGE:
      return StoreAndRepaint(hwnd, kRangeWord, wParam);
    case UM_GETRANGE:
      return GetWindowLongA(hwnd, kRangeWord);
    case UM_SETPOS:
      return StoreAndRepaint(hwnd, kPositionWord, wParam);
    case UM_GETPOS:
      return GetWindowLongA(hwnd, kPositionWord);
    case WM_PAINT:
      OnGaugePaint(hwnd);
      return 0;
    case WM_SETFONT:
      return OnGaugeSetFont(hwnd, wParam, lParam);
    case WM_GETFONT:
      return GetWindowLongA(hwnd, kFontWord);
    case WM_ENABLE:
      InvalidateRect(hwnd, nullptr, FALSE);  // drawn the same either way
      return 0;
    case WM_GETDLGCODE:
      return DLGC_STATIC;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// The loader calls this directly (the DLL has no run-time start-up code). Loading never fails
// because of the class: a failed registration only means "Update" windows cannot be made.
extern "C" BOOL WINAPI GaugeLibMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      if (LOWORD(RegisterGaugeClass(instance)) == 0) g_gaugeClassRegistered = 0;
      break;
    case DLL_PROCESS_DETACH:
      if (g_gaugeClassRegistered) UnregisterClassA(GAUGE_CLASS_NAME, instance);
      break;
  }
  return TRUE;
}
