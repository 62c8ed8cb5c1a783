// Host windows, settling and reference pictures for the gauge tests (see gauge_testing.h).
#include "gauge_testing.h"

#include <cstdio>
#include <functional>

namespace gaugetest {
namespace {

const char kHostClass[] = "GaugeTestHost";

ATOM RegisterHostClass() {
  static ATOM atom = 0;
  if (!atom) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    wc.lpszClassName = kHostClass;
    atom = RegisterClassA(&wc);
  }
  return atom;
}

bool NothingToPaint(HWND hwnd) {
  return !GetUpdateRect(hwnd, nullptr, FALSE);
}

// The whole bar opaque in `back` with the text in `fore`, placed as a gauge places it:
// centred on the bar, its top half the difference of the heights of bar and "X" down.
wintest::Capture WholeBar(int width, int height, const std::string& text, HFONT font,
                          COLORREF fore, COLORREF back) {
  return wintest::DrawInMemory(width, height, [&](HDC dc) {
    HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
    SetTextAlign(dc, TA_CENTER | TA_TOP);
    SIZE x = {};
    GetTextExtentPointA(dc, "X", 1, &x);
    RECT all = {0, 0, width, height};
    SetTextColor(dc, fore);
    SetBkColor(dc, back);
    ExtTextOutA(dc, width / 2, (height - x.cy) / 2, ETO_OPAQUE, &all, text.data(),
                static_cast<UINT>(text.size()), nullptr);
    if (oldFont) SelectObject(dc, oldFont);
  });
}

}  // namespace

HWND CreateHostWindow(int width, int height) {
  RegisterHostClass();
  return CreateWindowExA(WS_EX_TOPMOST, kHostClass, "gauge test", WS_POPUP | WS_VISIBLE, 40, 40,
                         width, height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

HWND CreateGauge(HWND parent, int x, int y, int width, int height, DWORD extraStyle) {
  return CreateWindowExA(0, GAUGE_CLASS_NAME, "", WS_CHILD | WS_VISIBLE | extraStyle, x, y,
                         width, height, parent, reinterpret_cast<HMENU>(100),
                         GetModuleHandleA(nullptr), nullptr);
}

bool Settle(HWND hwnd) {
  HWND parent = GetParent(hwnd);
  return wintest::PumpUntil([&] {
    return NothingToPaint(hwnd) && (!parent || NothingToPaint(parent));
  });
}

wintest::Capture Shot(HWND gauge) {
  Settle(gauge);
  wintest::Pump();
  return wintest::CaptureClient(gauge);
}

wintest::Capture ExpectedBar(int width, int height, const std::string& text, int fill,
                             HFONT font, COLORREF window) {
  wintest::Capture onBlue = WholeBar(width, height, text, font, window, kBlue);
  wintest::Capture onWindow = WholeBar(width, height, text, font, kBlue, window);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (x >= fill) onBlue.pixels[size_t(y) * width + x] = onWindow.at(x, y);
  return onBlue;
}

std::vector<bool> TextMask(int width, int height, const std::string& text, HFONT font) {
  wintest::Capture c = WholeBar(width, height, text, font, RGB(0, 0, 0), RGB(255, 255, 255));
  std::vector<bool> mask(c.pixels.size());
  for (size_t i = 0; i < mask.size(); ++i) mask[i] = c.pixels[i] != RGB(255, 255, 255);
  return mask;
}

std::string Differences(const wintest::Capture& want, const wintest::Capture& got) {
  if (want.width != got.width || want.height != got.height) {
    char b[96];
    std::snprintf(b, sizeof b, "size: expected %dx%d, got %dx%d", want.width, want.height,
                  got.width, got.height);
    return b;
  }
  std::string firsts;
  int count = 0;
  for (int y = 0; y < want.height; ++y)
    for (int x = 0; x < want.width; ++x)
      if (want.at(x, y) != got.at(x, y) && ++count <= 6) {
        char b[96];
        std::snprintf(b, sizeof b, " (%d,%d) expected %s got %s;", x, y,
                      Hex(want.at(x, y)).c_str(), Hex(got.at(x, y)).c_str());
        firsts += b;
      }
  if (!count) return "";
  return std::to_string(count) + " pixels differ:" + firsts;
}

int BlueColumnsFromLeft(const wintest::Capture& shot, int row) {
  int x = 0;
  while (x < shot.width && shot.at(x, row) == kBlue) ++x;
  return x;
}

HFONT CreatePlainFont(int height, const char* face) {
  return CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                     DEFAULT_PITCH, face);
}

std::string Hex(COLORREF c) {
  char b[16];
  std::snprintf(b, sizeof b, "0x%06lx", static_cast<unsigned long>(c));
  return b;
}

int ScreenBits() {
  HDC screen = GetDC(nullptr);
  int bits = GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES);
  ReleaseDC(nullptr, screen);
  return bits;
}

}  // namespace gaugetest
