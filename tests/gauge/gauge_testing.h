// Shared ground of the gauge tests on Wine: loading gauge.dll the way a program does, host
// windows to put gauges in, and the reference picture a bar must show on the screen.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "gauge.h"
#include "wintest.h"

namespace gaugetest {

const COLORREF kBlue = RGB(0, 0, 255);

// gauge.dll loaded by name from beside the test program for the object's lifetime.
class LoadedGauge {
 public:
  LoadedGauge() : module_(LoadLibraryA("gauge.dll")) {}
  ~LoadedGauge() { Unload(); }
  LoadedGauge(const LoadedGauge&) = delete;
  LoadedGauge& operator=(const LoadedGauge&) = delete;
  HMODULE module() const { return module_; }
  void Unload() {
    if (module_) FreeLibrary(module_);
    module_ = nullptr;
  }

 private:
  HMODULE module_;
};

// A visible, topmost top-level window at a fixed place on the screen, its client area
// `width` x `height`, painted grey so a gauge that leaves pixels unpainted shows it.
HWND CreateHostWindow(int width, int height);

// A child gauge of `parent` at (x, y); its client area is width x height (no border).
HWND CreateGauge(HWND parent, int x, int y, int width, int height, DWORD extraStyle = 0);

// Pumps messages until neither the window nor its parent has anything left to paint.
bool Settle(HWND hwnd);

// The gauge's client area as shown on the screen, after it has painted.
wintest::Capture Shot(HWND gauge);

// The picture of a bar of width x height with `text` drawn in `font` (0: a DC's default font)
// and columns 0 .. fill-1 filled. It is composed from two pictures the test draws itself
// through ExtTextOutA in a memory DC, each of the whole bar: the text in the window colour
// on blue, and in blue on the window colour; columns left of the boundary come from the
// first, the rest from the second.
wintest::Capture ExpectedBar(int width, int height, const std::string& text, int fill,
                             HFONT font, COLORREF window);

// The same text drawn black on white over the whole bar: which pixels belong to letters.
std::vector<bool> TextMask(int width, int height, const std::string& text, HFONT font);

// "" when both pictures are equal, else the number of differing pixels and the first few
// differences (where, expected, got).
std::string Differences(const wintest::Capture& want, const wintest::Capture& got);

// Length of the run of kBlue pixels that starts `row` at the left edge.
int BlueColumnsFromLeft(const wintest::Capture& shot, int row);

// A font without anti-aliasing, so every text pixel is one of the two colours.
HFONT CreatePlainFont(int height, const char* face);

std::string Hex(COLORREF c);

// Bits per pixel of the screen: the pictures are compared exactly, which needs 24 or more.
int ScreenBits();

}  // namespace gaugetest
