// Helpers for the Windows-side GoogleTest programs: waiting for a condition while pumping
// messages, reading pixels back from the screen, and drawing reference pictures in memory.
#pragma once
#include <windows.h>

#include <functional>
#include <vector>

namespace wintest {

// Dispatches this thread's messages until cond() holds or timeoutMs passes; returns cond().
inline bool PumpUntil(const std::function<bool()>& cond, DWORD timeoutMs = 5000) {
  DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (cond()) return true;
    if (GetTickCount() - start >= timeoutMs) return cond();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

// Dispatches whatever is waiting, so pending paints have happened.
inline void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

// Pixels of a screen rectangle as read back from the screen, row by row from the top.
struct Capture {
  int width = 0, height = 0;
  std::vector<COLORREF> pixels;
  COLORREF at(int x, int y) const { return pixels[size_t(y) * width + x]; }
};

// What `draw` leaves in a top-down 32-bit memory picture of w x h pixels, read back row by
// row from the top. Test programs draw their reference pictures this way.
inline Capture DrawInMemory(int w, int h, const std::function<void(HDC)>& draw) {
  Capture c;
  c.width = w;
  c.height = h;
  c.pixels.resize(size_t(w) * h);
  HDC mem = CreateCompatibleDC(nullptr);
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;  // top-down
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!dib) {
    DeleteDC(mem);
    return c;
  }
  HGDIOBJ old = SelectObject(mem, dib);
  draw(mem);
  GdiFlush();
  const DWORD* p = static_cast<const DWORD*>(bits);
  for (size_t i = 0; i < c.pixels.size(); ++i) {
    DWORD v = p[i];  // 0x00RRGGBB in a 32-bit DIB
    c.pixels[i] = RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
  }
  SelectObject(mem, old);
  DeleteObject(dib);
  DeleteDC(mem);
  return c;
}

inline Capture CaptureScreen(int x, int y, int w, int h) {
  HDC screen = GetDC(nullptr);
  Capture c = DrawInMemory(w, h, [&](HDC mem) { BitBlt(mem, 0, 0, w, h, screen, x, y, SRCCOPY); });
  ReleaseDC(nullptr, screen);
  return c;
}

// The window's client area as shown on the screen (paint it first: UpdateWindow, Pump).
inline Capture CaptureClient(HWND hwnd) {
  RECT r;
  GetClientRect(hwnd, &r);
  POINT org = {0, 0};
  ClientToScreen(hwnd, &org);
  return CaptureScreen(org.x, org.y, r.right, r.bottom);
}

}  // namespace wintest
