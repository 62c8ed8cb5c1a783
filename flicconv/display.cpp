// The frame display (WM_PAINT) and the window's side of stepping: the messages for frames
// that cannot be read and the repaint of a new frame.
#include "converter.h"

namespace {
// Selects a palette into a DC for as long as it lives.
struct PaletteSelection {
  HDC dc;
  HPALETTE old;
  PaletteSelection(HDC d, HPALETTE p) : dc(d), old(SelectPalette(d, p, FALSE)) {
    RealizePalette(d);
  }
  ~PaletteSelection() {
    if (old) SelectPalette(dc, old, FALSE);
  }
};
}  // namespace

void PaintFrame(HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  if (dc && g_hPalette) {
    PaletteSelection selection(dc, g_hPalette);
    if (g_frameDib && g_frameBits) {
      // Never scaled: a window smaller than the frame shows its top-left part.
      DWORD width = LOWORD(g_frameDib->biWidth), height = LOWORD(g_frameDib->biHeight);
      SetDIBitsToDevice(dc, 0, 0, width, height, 0, 0, 0, height, g_frameBits,
                        reinterpret_cast<BITMAPINFO*>(g_frameDib), DIB_RGB_COLORS);
    }
  }
  EndPaint(hwnd, &ps);
}

static int NextFrame(HWND hwnd, int isFlc) {
  switch (StepFlicFrame(isFlc)) {
    case STEP_DONE: break;
    case STEP_NO_FILE:
      MessageBoxA(nullptr, "DISPLAY ERROR", nullptr, MB_OK);
      PostQuitMessage(0);
      return 0;
    case STEP_NO_HEADER:
      return ReportError(hwnd, isFlc ? "Not an FLC frame 1" : "Not an FLI frame 1");
    case STEP_BAD_MAGIC:
      return ReportError(hwnd, isFlc ? "Not an FLC frame 2" : "Not an FLI frame 2");
    case STEP_NO_BODY: return 0;
  }
  InvalidateRect(hwnd, nullptr, FALSE);
  return 1;
}

int NextFlcFrame(HWND hwnd) { return NextFrame(hwnd, 1); }
int NextFliFrame(HWND hwnd) { return NextFrame(hwnd, 0); }
