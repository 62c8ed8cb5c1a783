// The frame display (WM_PAINT) and the window's side of stepping: the messages for frames
// that cannot be read and the repaint of a new frame.
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

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

// The 8-bit frame as it is, at the client origin: a palette display draws it through the
// realised palette. Never scaled: a window smaller than the frame shows its top-left part.
static void DrawFrameAsIs(HDC dc) {
  DWORD width = LOWORD(g_frameDib->biWidth), height = LOWORD(g_frameDib->biHeight);
  SetDIBitsToDevice(dc, 0, 0, width, height, 0, 0, 0, height, g_frameBits,
                    reinterpret_cast<BITMAPINFO*>(g_frameDib), DIB_RGB_COLORS);
}

// The top-left cols x rows of the frame at 32 bits per pixel, bottom row first, through the
// colour table (an RGBQUAD with its reserved byte 0 is already its colour's 32-bit pixel).
static void ExpandTopRows(DWORD cols, DWORD rows, uint32_t* out) {
  uint32_t colour[256];
  std::memcpy(colour, reinterpret_cast<BITMAPINFO*>(g_frameDib)->bmiColors, sizeof colour);
  DWORD height = LOWORD(g_frameDib->biHeight);
  const BYTE* src = g_frameBits + size_t(height - rows) * size_t(g_pitch);
  for (DWORD y = 0; y < rows; ++y, src += g_pitch, out += cols)
    for (DWORD x = 0; x < cols; ++x) out[x] = colour[src[x]];
}

// The part of the frame inside the paint rectangle. On a display without a palette the
// platform would convert every pixel through the colour table on each paint, at several times
// the cost of the frame step; there the rows on show are expanded here by a table lookup and
// drawn at 32 bits, in the same colours and at the same place.
static void DrawFrame(HDC dc, const RECT& paint) {
  if (GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE) return DrawFrameAsIs(dc);
  DWORD cols = paint.right > 0 ? std::min<DWORD>(LOWORD(g_frameDib->biWidth), paint.right) : 0;
  DWORD rows = paint.bottom > 0 ? std::min<DWORD>(LOWORD(g_frameDib->biHeight), paint.bottom) : 0;
  if (!cols || !rows) return;
  // Kept from paint to paint: while writing, every frame is painted, and a fresh block of this
  // size costs more than the expansion. It never grows beyond the client area.
  static std::vector<uint32_t> screen;
  try {
    if (screen.size() < size_t(cols) * rows) screen.resize(size_t(cols) * rows);
  } catch (const std::bad_alloc&) {
    return DrawFrameAsIs(dc);
  }
  ExpandTopRows(cols, rows, screen.data());
  BITMAPINFOHEADER header = *g_frameDib;
  header.biWidth = static_cast<LONG>(cols);
  header.biHeight = static_cast<LONG>(rows);
  header.biBitCount = 32;
  header.biSizeImage = cols * rows * 4;
  header.biClrUsed = 0;
  header.biClrImportant = 0;
  SetDIBitsToDevice(dc, 0, 0, cols, rows, 0, 0, 0, rows, screen.data(),
                    reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
}

void PaintFrame(HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  if (dc && g_hPalette) {
    PaletteSelection selection(dc, g_hPalette);
    if (g_frameDib && g_frameBits) DrawFrame(dc, ps.rcPaint);
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
