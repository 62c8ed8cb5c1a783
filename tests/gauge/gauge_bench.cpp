// How long a gauge takes to move: UM_SETPOS (which repaints before it returns) against a
// window of this program's own that paints the same picture with the same calls in its
// WM_PAINT, driven the same way (InvalidateRect, UpdateWindow). Prints both and their ratio.
#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "gauge.h"

namespace {

const int kWidth = 300, kHeight = 24, kRounds = 3000;

LRESULT CALLBACK SamePictureProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg != WM_PAINT) return DefWindowProcA(hwnd, msg, wParam, lParam);
  int position = static_cast<int>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  char text[16];
  int length = wsprintfA(text, "%d%%", position);
  int fill = kWidth * position / 100;
  SetTextAlign(dc, TA_CENTER | TA_TOP);
  SIZE x;
  GetTextExtentPointA(dc, "X", 1, &x);
  RECT filled = {0, 0, fill, kHeight}, empty = {fill, 0, kWidth, kHeight};
  SetBkColor(dc, RGB(0, 0, 255));
  SetTextColor(dc, GetSysColor(COLOR_WINDOW));
  ExtTextOutA(dc, kWidth / 2, (kHeight - x.cy) / 2, ETO_OPAQUE | ETO_CLIPPED, &filled, text,
              length, nullptr);
  SetBkColor(dc, GetSysColor(COLOR_WINDOW));
  SetTextColor(dc, RGB(0, 0, 255));
  ExtTextOutA(dc, kWidth / 2, (kHeight - x.cy) / 2, ETO_OPAQUE | ETO_CLIPPED, &empty, text,
              length, nullptr);
  EndPaint(hwnd, &ps);
  return 0;
}

double Seconds(LARGE_INTEGER a, LARGE_INTEGER b, LARGE_INTEGER f) {
  return double(b.QuadPart - a.QuadPart) / double(f.QuadPart);
}

void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

}  // namespace

int main() {
  HMODULE dll = LoadLibraryA("gauge.dll");
  if (!dll) {
    std::printf("gauge.dll did not load\n");
    return 1;
  }
  WNDCLASSA wc = {};
  wc.lpfnWndProc = SamePictureProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "GaugeBenchSamePicture";
  RegisterClassA(&wc);
  HWND host = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "", WS_POPUP | WS_VISIBLE, 40, 40,
                              kWidth + 20, 2 * kHeight + 30, nullptr, nullptr, nullptr, nullptr);
  HWND gauge = CreateWindowExA(0, GAUGE_CLASS_NAME, "", WS_CHILD | WS_VISIBLE, 10, 10, kWidth,
                               kHeight, host, nullptr, nullptr, nullptr);
  HWND own = CreateWindowExA(0, wc.lpszClassName, "", WS_CHILD | WS_VISIBLE, 10, kHeight + 20,
                             kWidth, kHeight, host, nullptr, nullptr, nullptr);
  if (!host || !gauge || !own) {
    std::printf("windows could not be made\n");
    return 1;
  }
  Pump();
  LARGE_INTEGER f, t0, t1, t2;
  QueryPerformanceFrequency(&f);
  double best[2] = {1e9, 1e9};
  for (int trial = 0; trial < 5; ++trial) {  // alternate, keep the best of each
    QueryPerformanceCounter(&t0);
    for (int i = 0; i < kRounds; ++i) SendMessageA(gauge, UM_SETPOS, i % 101, 0);
    QueryPerformanceCounter(&t1);
    for (int i = 0; i < kRounds; ++i) {
      SetWindowLongPtrA(own, GWLP_USERDATA, i % 101);
      InvalidateRect(own, nullptr, FALSE);
      UpdateWindow(own);
    }
    QueryPerformanceCounter(&t2);
    Pump();
    best[0] = std::min(best[0], Seconds(t0, t1, f));
    best[1] = std::min(best[1], Seconds(t1, t2, f));
  }
  std::printf("gauge UM_SETPOS with its repaint: %.1f us\n", best[0] * 1e6 / kRounds);
  std::printf("own window, same picture, same calls: %.1f us\n", best[1] * 1e6 / kRounds);
  std::printf("ratio gauge / own window: %.2f\n", best[0] / best[1]);
  DestroyWindow(host);
  FreeLibrary(dll);
  return 0;
}
