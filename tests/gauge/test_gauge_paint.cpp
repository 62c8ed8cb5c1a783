// What gauges show on the screen for given ranges, positions, sizes, fonts and colours, read
// back at 24 bits and compared with the bar composed by the test (gauge_testing.h).
#include <gtest/gtest.h>

#include <memory>

#include "gauge_testing.h"

using namespace gaugetest;

namespace {

struct FontDeleter {
  void operator()(HFONT f) const { DeleteObject(f); }
};
using Font = std::unique_ptr<std::remove_pointer<HFONT>::type, FontDeleter>;

class GaugePaint : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_GE(ScreenBits(), 24) << "pixels are compared exactly: run at 24 bits";
    ASSERT_NE(nullptr, dll_.module()) << "gauge.dll did not load: " << GetLastError();
    host_ = CreateHostWindow(440, 90);
    ASSERT_NE(nullptr, host_);
  }
  void TearDown() override {
    if (host_) DestroyWindow(host_);
  }

  HWND Gauge(int width, int height = 24) {
    HWND g = CreateGauge(host_, 10, 10, width, height);
    EXPECT_NE(nullptr, g) << "CreateWindowExA failed: " << GetLastError();
    return g;
  }

  static void Set(HWND g, LPARAM range, LPARAM position) {
    SendMessageA(g, UM_SETRANGE, static_cast<WPARAM>(range), 0);
    SendMessageA(g, UM_SETPOS, static_cast<WPARAM>(position), 0);
  }

  // The gauge's picture on the screen against the composed one.
  static std::string Shows(HWND g, const std::string& text, int fill, HFONT font = nullptr,
                           COLORREF window = GetSysColor(COLOR_WINDOW)) {
    wintest::Capture got = Shot(g);
    return Differences(ExpectedBar(got.width, got.height, text, fill, font, window), got);
  }

  LoadedGauge dll_;
  HWND host_ = nullptr;
};

TEST_F(GaugePaint, NewGaugeShowsFiftyPercentWithItsLeftHalfBlue) {
  for (int width : {200, 199}) {
    HWND g = Gauge(width);
    ASSERT_NE(nullptr, g);
    EXPECT_EQ("", Shows(g, "50%", width * 50 / 100)) << "width " << width;
    wintest::Capture shot = Shot(g);
    EXPECT_EQ(width * 50 / 100, BlueColumnsFromLeft(shot, 0)) << "width " << width;
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), shot.at(width - 1, 0));
    DestroyWindow(g);
  }
}

TEST_F(GaugePaint, RangeThreePositionOneShowsThirtyThreePercentAndATruncatedThird) {
  for (int width : {200, 100, 8, 2}) {
    HWND g = Gauge(width);
    ASSERT_NE(nullptr, g);
    Set(g, 3, 1);
    // Narrow bars show only the middle of the text, which is what the reference shows too.
    EXPECT_EQ("", Shows(g, "33%", width / 3)) << "width " << width;
    EXPECT_EQ(width / 3, BlueColumnsFromLeft(Shot(g), 0)) << "width " << width;
    DestroyWindow(g);
  }
}

TEST_F(GaugePaint, TwoThirdsFillIsTruncatedNotRounded) {
  HWND g = Gauge(200);
  Set(g, 3, 2);
  EXPECT_EQ("", Shows(g, "66%", 133));  // 400 / 3 = 133.3, 200 / 3 * 2 would give 132
}

TEST_F(GaugePaint, ZeroRangeShowsZeroPercentAndNothingFilledWhateverThePosition) {
  HWND g = Gauge(200);
  const LPARAM positions[] = {0, 50, 100, 70000, -1};
  for (LPARAM position : positions) {
    Set(g, 0, position);
    EXPECT_EQ("", Shows(g, "0%", 0)) << "position " << position;
    EXPECT_EQ(0, BlueColumnsFromLeft(Shot(g), 0));
    EXPECT_EQ(0, SendMessageA(g, UM_GETRANGE, 0, 0)) << "the stored range stays 0";
    EXPECT_EQ(position, SendMessageA(g, UM_GETPOS, 0, 0)) << "the stored position stays";
  }
  Set(g, 0x10000, 30);  // low 16 bits 0: the same as 0
  EXPECT_EQ("", Shows(g, "0%", 0));
}

TEST_F(GaugePaint, PositionAboveTheRangeShowsMoreThanHundredPercentAllBlue) {
  HWND g = Gauge(200);
  Set(g, 100, 150);
  EXPECT_EQ("", Shows(g, "150%", 300));
  wintest::Capture shot = Shot(g);
  for (int y = 0; y < shot.height; y += shot.height - 1)
    EXPECT_EQ(200, BlueColumnsFromLeft(shot, y)) << "row " << y;
}

TEST_F(GaugePaint, FullPositionShowsHundredPercentAllBlueWithTheTextInTheWindowColour) {
  Font plain(CreatePlainFont(-16, "Tahoma"));
  HWND g = Gauge(200, 26);
  SendMessageA(g, WM_SETFONT, reinterpret_cast<WPARAM>(plain.get()), FALSE);
  Set(g, 100, 100);
  EXPECT_EQ("", Shows(g, "100%", 200, plain.get()));
  wintest::Capture shot = Shot(g);
  std::vector<bool> mask = TextMask(200, 26, "100%", plain.get());
  COLORREF window = GetSysColor(COLOR_WINDOW);
  int letters = 0, wrong = 0;
  for (int y = 0; y < shot.height; ++y)
    for (int x = 0; x < shot.width; ++x) {
      bool letter = mask[size_t(y) * shot.width + x];
      letters += letter;
      wrong += shot.at(x, y) != (letter ? window : kBlue);
    }
  EXPECT_GT(letters, 40) << "the text should cover a fair number of pixels";
  EXPECT_EQ(0, wrong) << "pixels neither blue background nor window-coloured letters";
}

TEST_F(GaugePaint, ValuesArePaintedModulo65536AndReadBackWhole) {
  HWND g = Gauge(200);
  Set(g, 65536 + 100, 25);
  EXPECT_EQ(65636, SendMessageA(g, UM_GETRANGE, 0, 0));
  EXPECT_EQ("", Shows(g, "25%", 50));

  SendMessageA(g, UM_SETPOS, static_cast<WPARAM>(-1), 0);
  EXPECT_EQ(-1, SendMessageA(g, UM_GETPOS, 0, 0));
  EXPECT_EQ("", Shows(g, "65535%", 200 * 65535 / 100));

  Set(g, 200, 65536 + 50);
  EXPECT_EQ(65586, SendMessageA(g, UM_GETPOS, 0, 0));
  EXPECT_EQ("", Shows(g, "25%", 50));
}

TEST_F(GaugePaint, SixteenBitValuesAreUnsigned) {
  HWND g = Gauge(200);
  Set(g, 40000, 10000);  // as signed 16-bit numbers the range would be negative
  EXPECT_EQ("", Shows(g, "25%", 50));
  Set(g, 65535, 32768);
  EXPECT_EQ("", Shows(g, "50%", 200 * 32768 / 65535));
  Set(g, 65535, 65535);
  EXPECT_EQ("", Shows(g, "100%", 200));
}

TEST_F(GaugePaint, LargestPercentageIsShownInFull) {
  HWND g = Gauge(400);
  Set(g, 1, 65535);
  EXPECT_EQ("", Shows(g, "6553500%", 400 * 65535));
}

TEST_F(GaugePaint, EveryPixelIsPaintedOverWhateverWasThere) {
  // The host paints grey behind the gauge; the gauge has no background brush, so any pixel
  // it forgets shows grey, and one it paints twice wrongly shows in the comparison.
  HWND g = Gauge(150, 30);
  for (int position = 0; position <= 100; position += 25) {
    Set(g, 100, position);
    wintest::Capture shot = Shot(g);
    for (COLORREF c : shot.pixels) ASSERT_NE(RGB(128, 128, 128), c) << "position " << position;
    EXPECT_EQ("", Shows(g, std::to_string(position) + "%", 150 * position / 100));
  }
}

TEST_F(GaugePaint, ResizedGaugeIsRepaintedWhole) {
  HWND g = Gauge(200);
  Set(g, 100, 30);
  ASSERT_EQ("", Shows(g, "30%", 60));
  SetWindowPos(g, nullptr, 0, 0, 300, 24, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ("", Shows(g, "30%", 90)) << "wider: fill and text centre follow the width";
  SetWindowPos(g, nullptr, 0, 0, 120, 24, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ("", Shows(g, "30%", 36)) << "narrower";
  SetWindowPos(g, nullptr, 0, 0, 120, 40, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ("", Shows(g, "30%", 36)) << "taller: the text moves down";
  SetWindowPos(g, nullptr, 0, 0, 120, 17, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ("", Shows(g, "30%", 36)) << "lower";
}

TEST_F(GaugePaint, FontFromWmSetFontIsUsedAndCentredByTheHeightOfX) {
  Font big(CreatePlainFont(-22, "Tahoma"));
  HWND g = Gauge(220, 36);
  Set(g, 100, 40);
  wintest::Capture before = Shot(g);
  SendMessageA(g, WM_SETFONT, reinterpret_cast<WPARAM>(big.get()), TRUE);
  EXPECT_EQ("", Shows(g, "40%", 88, big.get()));
  EXPECT_NE("", Differences(before, Shot(g))) << "the font should have changed the picture";
}

TEST_F(GaugePaint, FontTallerThanTheBarPutsTheTextTopAboveIt) {
  Font tall(CreatePlainFont(-40, "Tahoma"));
  HDC screen = GetDC(nullptr);
  HGDIOBJ old = SelectObject(screen, tall.get());
  SIZE x = {};
  GetTextExtentPointA(screen, "X", 1, &x);
  SelectObject(screen, old);
  ReleaseDC(nullptr, screen);
  // An odd negative difference tells truncation toward zero from rounding down.
  int height = x.cy - 21;
  ASSERT_GT(height, 4);
  HWND g = Gauge(200, height);
  SendMessageA(g, WM_SETFONT, reinterpret_cast<WPARAM>(tall.get()), FALSE);
  Set(g, 100, 55);
  EXPECT_EQ("", Shows(g, "55%", 110, tall.get())) << "bar height " << height << ", X " << x.cy;
}

TEST_F(GaugePaint, LettersChangeColourExactlyAtTheFillBoundary) {
  const int width = 200, height = 30, range = 1000;
  Font plain(CreatePlainFont(-20, "Tahoma"));
  // Look for a position whose boundary column cuts a letter of its own text: letter pixels
  // on both sides of the boundary in one row.
  int position = -1, fill = 0;
  std::string text;
  std::vector<bool> mask;
  auto letterAt = [&](int x, int y) { return bool(mask[size_t(y) * width + x]); };
  auto cutRow = [&](int y) { return letterAt(fill - 1, y) && letterAt(fill, y); };
  for (int p = 400; p <= 600 && position < 0; ++p) {
    text = std::to_string(p * 100 / range) + "%";
    fill = width * p / range;
    mask = TextMask(width, height, text, plain.get());
    for (int y = 0; y < height; ++y)
      if (cutRow(y)) position = p;
  }
  ASSERT_GT(position, 0) << "no position puts its boundary through a letter";

  HWND g = Gauge(width, height);
  SendMessageA(g, WM_SETFONT, reinterpret_cast<WPARAM>(plain.get()), FALSE);
  Set(g, range, position);
  wintest::Capture shot = Shot(g);
  const COLORREF window = GetSysColor(COLOR_WINDOW);
  int wrongLeft = 0, wrongRight = 0;
  bool cutShowsWindow = false, cutShowsBlue = false;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      COLORREF c = shot.at(x, y);
      if (x < fill)
        wrongLeft += c != (letterAt(x, y) ? window : kBlue);
      else
        wrongRight += c != (letterAt(x, y) ? kBlue : window);
    }
    if (cutRow(y)) {
      cutShowsWindow |= shot.at(fill - 1, y) == window;
      cutShowsBlue |= shot.at(fill, y) == kBlue;
    }
  }
  SCOPED_TRACE("text " + text + ", boundary at column " + std::to_string(fill));
  EXPECT_EQ(0, wrongLeft) << "left of the boundary: window-coloured letters on blue only";
  EXPECT_EQ(0, wrongRight) << "from the boundary on: blue letters on the window colour only";
  EXPECT_TRUE(cutShowsWindow && cutShowsBlue) << "the cut letter shows both colours";
  EXPECT_EQ("", Shows(g, text, fill, plain.get()));
}

// Puts the window colour back however the test ends.
struct WindowColourChange {
  explicit WindowColourChange(COLORREF c) : saved(GetSysColor(COLOR_WINDOW)) {
    INT which = COLOR_WINDOW;
    SetSysColors(1, &which, &c);
  }
  ~WindowColourChange() {
    INT which = COLOR_WINDOW;
    SetSysColors(1, &which, &saved);
  }
  COLORREF saved;
};

TEST_F(GaugePaint, WindowColourIsReadAtEveryPaint) {
  HWND g = Gauge(200);
  Set(g, 100, 70);
  ASSERT_EQ("", Shows(g, "70%", 140));
  const COLORREF sand = RGB(250, 230, 160);
  {
    WindowColourChange change(sand);
    ASSERT_EQ(sand, GetSysColor(COLOR_WINDOW));
    InvalidateRect(g, nullptr, FALSE);
    EXPECT_EQ("", Shows(g, "70%", 140, nullptr, sand));
    EXPECT_EQ(sand, Shot(g).at(199, 0));
  }
  InvalidateRect(g, nullptr, FALSE);
  EXPECT_EQ("", Shows(g, "70%", 140));
}

}  // namespace
