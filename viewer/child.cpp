// The image child window: paints its bitmap scrolled (or its thumbnail while minimised) with
// its palette, keeps its scroll ranges in step with its size, and owns its three objects.
#include "viewer.h"

#include <initializer_list>

#include "scroll_math.h"

static int g_scrollUpdateDepth;

template <typename T>
static T ChildObject(HWND child, int index) {
  // GDI handles fit in 32 bits in 64-bit processes too; they come back sign-extended.
  return reinterpret_cast<T>(static_cast<LONG_PTR>(GetWindowLongA(child, index)));
}

// The image size: the device bitmap's, each dimension cut to 16 bits; 0 x 0 without one.
static SIZE ImageSize(HWND child) {
  SIZE size = {0, 0};
  BITMAP bm;
  HBITMAP bitmap = ChildObject<HBITMAP>(child, WORD_BITMAP);
  if (bitmap && GetObjectA(bitmap, sizeof bm, &bm)) {
    size.cx = bm.bmWidth & 0xFFFF;
    size.cy = bm.bmHeight & 0xFFFF;
  }
  return size;
}

void GetFullClientRect(HWND child, RECT* rect) {
  GetClientRect(child, rect);
  LONG style = GetWindowLongA(child, GWL_STYLE);
  if (style & WS_HSCROLL) rect->bottom += GetSystemMetrics(SM_CYHSCROLL);
  if (style & WS_VSCROLL) rect->right += GetSystemMetrics(SM_CXVSCROLL);
}

void UpdateScrollRanges(HWND child) {
  // Showing or hiding a bar resizes the client and sends WM_SIZE back here.
  if (g_scrollUpdateDepth) return;
  ++g_scrollUpdateDepth;
  SIZE image = ImageSize(child);
  RECT rect;
  GetFullClientRect(child, &rect);
  // The second pass corrects the ranges for the bars the first pass made appear.
  for (int pass = 0; pass < 2; ++pass) {
    int vmax = ScrollMaximum(image.cy, rect.bottom);
    int hmax = ScrollMaximum(image.cx, rect.right);
    if (GetScrollPos(child, SB_VERT) > vmax || GetScrollPos(child, SB_HORZ) > hmax)
      InvalidateRect(child, nullptr, TRUE);
    SetScrollRange(child, SB_VERT, 0, vmax, TRUE);
    SetScrollRange(child, SB_HORZ, 0, hmax, TRUE);
    GetClientRect(child, &rect);
  }
  --g_scrollUpdateDepth;
}

void SizeChildToImage(HWND child) {
  if (IsZoomed(child)) {
    UpdateScrollRanges(child);
  } else {
    SIZE image = ImageSize(child);
    RECT r = {0, 0, image.cx, image.cy};
    AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, TRUE);
    r.bottom -= GetSystemMetrics(SM_CYMENU);  // a child has no menu bar
    SetWindowPos(child, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER);
  }
  InvalidateRect(child, nullptr, TRUE);
}

static void ScrollStep(HWND child, int bar, WPARAM wParam) {
  int minimum = 0, maximum = 0;
  GetScrollRange(child, bar, &minimum, &maximum);
  int position = GetScrollPos(child, bar);
  RECT client;
  GetClientRect(child, &client);
  int extent = bar == SB_HORZ ? client.right : client.bottom;
  int amount = ScrollAmount(LOWORD(wParam), extent, HIWORD(wParam), position);
  int moved = ClampScrollPosition(position, amount, minimum, maximum);
  amount = moved - position;
  if (!amount) return;
  if (bar == SB_HORZ) ScrollWindow(child, -amount, 0, nullptr, nullptr);
  else ScrollWindow(child, 0, -amount, nullptr, nullptr);
  SetScrollPos(child, bar, moved, TRUE);
}

void PaintImageChild(HWND child, HDC dc, int x, int y) {
  HBITMAP bitmap;
  if (IsIconic(child)) {
    SetWindowOrgEx(dc, 0, 0, nullptr);
    bitmap = ChildObject<HBITMAP>(child, WORD_THUMBNAIL);
  } else {
    SetWindowOrgEx(dc, x, y, nullptr);
    bitmap = ChildObject<HBITMAP>(child, WORD_BITMAP);
  }
  HPALETTE palette = ChildObject<HPALETTE>(child, WORD_PALETTE);
  SetBkMode(dc, TRANSPARENT);
  if (!palette) return;

  // Only the palette owner realises its palette; the others draw with what the DC has.
  bool owner = child == g_hwndPaletteOwner;
  HPALETTE previous = nullptr;
  if (owner) {
    previous = SelectPalette(dc, palette, FALSE);
    RealizePalette(dc);
  }
  if (bitmap) {
    HDC memory = CreateCompatibleDC(dc);
    if (memory) {
      BITMAP bm;
      GetObjectA(bitmap, sizeof bm, &bm);
      HGDIOBJ old = SelectObject(memory, bitmap);
      BitBlt(dc, 0, 0, bm.bmWidth, bm.bmHeight, memory, 0, 0, SRCCOPY);
      SelectObject(memory, old);
      DeleteDC(memory);
    }
  }
  if (owner) SelectPalette(dc, previous, FALSE);
}

static void DeleteChildObjects(HWND child) {
  for (int index : {WORD_BITMAP, WORD_THUMBNAIL, WORD_PALETTE}) {
    if (HGDIOBJ object = ChildObject<HGDIOBJ>(child, index)) DeleteObject(object);
    SetWindowLongA(child, index, 0);
  }
}

LRESULT CALLBACK ImageChildWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      PaintImageChild(hwnd, dc, GetScrollPos(hwnd, SB_HORZ), GetScrollPos(hwnd, SB_VERT));
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_SIZE: UpdateScrollRanges(hwnd); break;
    case WM_HSCROLL: ScrollStep(hwnd, SB_HORZ, wParam); return 0;
    case WM_VSCROLL: ScrollStep(hwnd, SB_VERT, wParam); return 0;
    case WM_MDIACTIVATE:
      g_hwndPaletteOwner = reinterpret_cast<HWND>(lParam);
      if (g_hwndPaletteOwner == hwnd) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_DESTROY: DeleteChildObjects(hwnd); return 0;
  }
  return DefMDIChildProcA(hwnd, msg, wParam, lParam);
}
