// How gauges answer their messages: what each one stores, returns and repaints, in what
// order a paint asks the window for its values, subclasses that answer for the gauge, and
// gauges made from dialog templates.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <sstream>
#include <vector>

#include "gauge_testing.h"

using namespace gaugetest;

namespace {

struct Sent {
  UINT msg;
  WPARAM wParam;
  bool operator==(const Sent& o) const { return msg == o.msg && wParam == o.wParam; }
};

const char* MessageName(UINT msg) {
  switch (msg) {
    case WM_CREATE: return "WM_CREATE";
    case WM_PAINT: return "WM_PAINT";
    case WM_ERASEBKGND: return "WM_ERASEBKGND";
    case WM_SETFONT: return "WM_SETFONT";
    case WM_GETFONT: return "WM_GETFONT";
    case WM_ENABLE: return "WM_ENABLE";
    case UM_SETRANGE: return "UM_SETRANGE";
    case UM_GETRANGE: return "UM_GETRANGE";
    case UM_SETPOS: return "UM_SETPOS";
    case UM_GETPOS: return "UM_GETPOS";
  }
  return "other";
}

void PrintTo(const Sent& m, std::ostream* os) { *os << MessageName(m.msg) << "(" << m.wParam << ")"; }

std::string Describe(const std::vector<Sent>& seq) {
  std::ostringstream s;
  for (const Sent& m : seq) s << MessageName(m.msg) << "(" << m.wParam << ") ";
  return s.str();
}

// The messages a gauge receives, recorded by a subclass (or a hook) as they arrive; the
// subclass can also answer some of them itself instead of the gauge.
std::vector<Sent> g_received;
WNDPROC g_gaugeProc = nullptr;
LRESULT g_rangeAnswer = -1, g_positionAnswer = -1;  // -1: let the gauge answer
HFONT g_fontAnswer = nullptr;

bool Recorded(UINT msg) {
  switch (msg) {
    case WM_CREATE: case WM_PAINT: case WM_ERASEBKGND: case WM_SETFONT: case WM_GETFONT:
    case WM_ENABLE: case UM_SETRANGE: case UM_GETRANGE: case UM_SETPOS: case UM_GETPOS:
      return true;
  }
  return false;
}

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (Recorded(msg)) g_received.push_back({msg, wParam});
  if (msg == UM_GETRANGE && g_rangeAnswer >= 0) return g_rangeAnswer;
  if (msg == UM_GETPOS && g_positionAnswer >= 0) return g_positionAnswer;
  if (msg == WM_GETFONT && g_fontAnswer) return reinterpret_cast<LRESULT>(g_fontAnswer);
  return CallWindowProcA(g_gaugeProc, hwnd, msg, wParam, lParam);
}

// Only messages of "Update" windows, sent to them while the hook is in place.
LRESULT CALLBACK RecordingHook(int code, WPARAM wParam, LPARAM lParam) {
  const CWPSTRUCT* m = reinterpret_cast<const CWPSTRUCT*>(lParam);
  char cls[32] = "";
  if (code == HC_ACTION && GetClassNameA(m->hwnd, cls, sizeof cls) &&
      !std::strcmp(cls, GAUGE_CLASS_NAME) && Recorded(m->message))
    g_received.push_back({m->message, m->wParam});
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

struct FontDeleter {
  void operator()(HFONT f) const { DeleteObject(f); }
};
using Font = std::unique_ptr<std::remove_pointer<HFONT>::type, FontDeleter>;

class GaugeMessages : public ::testing::Test {
 protected:
  void SetUp() override {
    g_received.clear();
    g_rangeAnswer = g_positionAnswer = -1;
    g_fontAnswer = nullptr;
    ASSERT_GE(ScreenBits(), 24) << "pixels are compared exactly: run at 24 bits";
    ASSERT_NE(nullptr, dll_.module()) << "gauge.dll did not load: " << GetLastError();
    host_ = CreateHostWindow(300, 60);
    ASSERT_NE(nullptr, host_);
    gauge_ = CreateGauge(host_, 10, 10, 200, 24);
    ASSERT_NE(nullptr, gauge_);
  }
  void TearDown() override {
    if (host_) DestroyWindow(host_);
  }

  // Puts the recording subclass on the gauge, once it has painted and has nothing pending.
  void Record() {
    ASSERT_TRUE(Settle(gauge_));
    g_gaugeProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        gauge_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordingProc)));
    g_received.clear();
  }

  static int Count(UINT msg) {
    int n = 0;
    for (const Sent& m : g_received) n += m.msg == msg;
    return n;
  }

  // True when the whole client area, and nothing else, waits to be painted.
  bool WholeClientInvalid() const {
    RECT update, client;
    GetClientRect(gauge_, &client);
    return GetUpdateRect(gauge_, &update, FALSE) && EqualRect(&update, &client);
  }

  std::string Shows(const std::string& text, int fill, HFONT font = nullptr) {
    wintest::Capture got = Shot(gauge_);
    return Differences(
        ExpectedBar(got.width, got.height, text, fill, font, GetSysColor(COLOR_WINDOW)), got);
  }

  LoadedGauge dll_;
  HWND host_ = nullptr;
  HWND gauge_ = nullptr;
};

TEST_F(GaugeMessages, CreationSetsTheRangeToHundredAndThenThePositionToFifty) {
  HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, RecordingHook, nullptr, GetCurrentThreadId());
  ASSERT_NE(nullptr, hook);
  HWND g = CreateGauge(host_, 10, 36, 100, 16);
  UnhookWindowsHookEx(hook);
  ASSERT_NE(nullptr, g);
  std::vector<Sent> want = {{WM_CREATE, 0}, {UM_SETRANGE, 100}, {UM_SETPOS, 50}};
  std::vector<Sent> got;
  for (const Sent& m : g_received)
    if (m.msg == WM_CREATE || m.msg == UM_SETRANGE || m.msg == UM_SETPOS) got.push_back(m);
  EXPECT_EQ(want, got) << "expected " << Describe(want) << "\n     got " << Describe(got);
  EXPECT_EQ(100, SendMessageA(g, UM_GETRANGE, 0, 0));
  EXPECT_EQ(50, SendMessageA(g, UM_GETPOS, 0, 0));
}

TEST_F(GaugeMessages, PaintAsksTheWindowForRangePositionAndFontInThatOrderWithoutErasing) {
  Record();
  InvalidateRect(gauge_, nullptr, FALSE);
  UpdateWindow(gauge_);
  std::vector<Sent> want = {{WM_PAINT, 0}, {UM_GETRANGE, 0}, {UM_GETPOS, 0}, {WM_GETFONT, 0}};
  EXPECT_EQ(want, g_received) << "expected " << Describe(want) << "\n     got "
                              << Describe(g_received);
}

TEST_F(GaugeMessages, SetRangeAndSetPosRepaintBeforeTheyReturn) {
  Record();
  EXPECT_EQ(0, SendMessageA(gauge_, UM_SETPOS, 20, 0));
  EXPECT_EQ(1, Count(WM_PAINT)) << Describe(g_received);
  EXPECT_FALSE(GetUpdateRect(gauge_, nullptr, FALSE)) << "no update region may be left";
  EXPECT_EQ("", Shows("20%", 40));

  g_received.clear();
  EXPECT_EQ(0, SendMessageA(gauge_, UM_SETRANGE, 40, 0));
  EXPECT_EQ(1, Count(WM_PAINT)) << Describe(g_received);
  EXPECT_FALSE(GetUpdateRect(gauge_, nullptr, FALSE));
  EXPECT_EQ("", Shows("50%", 100));

  g_received.clear();
  EXPECT_EQ(0, SendMessageA(gauge_, UM_SETPOS, 20, 0));  // the same value repaints too
  EXPECT_EQ(1, Count(WM_PAINT));
  wintest::Pump();
  EXPECT_EQ(1, Count(WM_PAINT)) << "nothing was left to paint later";
  EXPECT_EQ(0, Count(WM_ERASEBKGND)) << "the bar is invalidated without erasing";
}

TEST_F(GaugeMessages, SetFontWithRedrawOnlyInvalidatesAndTheNextPaintUsesTheFont) {
  Font font(CreatePlainFont(-18, "Tahoma"));
  Record();
  EXPECT_EQ(0, SendMessageA(gauge_, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE));
  EXPECT_EQ(0, Count(WM_PAINT)) << "no paint inside WM_SETFONT";
  EXPECT_TRUE(WholeClientInvalid());
  EXPECT_EQ(reinterpret_cast<LRESULT>(font.get()), SendMessageA(gauge_, WM_GETFONT, 0, 0));
  ASSERT_TRUE(Settle(gauge_));
  EXPECT_EQ(1, Count(WM_PAINT));
  EXPECT_EQ(0, Count(WM_ERASEBKGND));
  EXPECT_EQ("", Shows("50%", 100, font.get()));
}

TEST_F(GaugeMessages, SetFontWithoutRedrawStoresTheFontWithoutRepainting) {
  Font font(CreatePlainFont(-18, "Tahoma"));
  wintest::Capture before = Shot(gauge_);
  Record();
  EXPECT_EQ(0, SendMessageA(gauge_, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), 0));
  EXPECT_EQ(reinterpret_cast<LRESULT>(font.get()), SendMessageA(gauge_, WM_GETFONT, 0, 0));
  EXPECT_FALSE(GetUpdateRect(gauge_, nullptr, FALSE));
  wintest::Pump();
  EXPECT_EQ(0, Count(WM_PAINT));
  EXPECT_EQ("", Differences(before, Shot(gauge_))) << "the old picture stays";
  InvalidateRect(gauge_, nullptr, FALSE);
  EXPECT_EQ("", Shows("50%", 100, font.get())) << "the next paint uses the font";
}

TEST_F(GaugeMessages, EnablingAndDisablingOnlyInvalidateAndDrawTheSame) {
  wintest::Capture enabled = Shot(gauge_);
  Record();
  EnableWindow(gauge_, FALSE);
  EXPECT_EQ(1, Count(WM_ENABLE));
  EXPECT_EQ(0, Count(WM_PAINT)) << "no paint inside WM_ENABLE";
  EXPECT_TRUE(WholeClientInvalid());
  EXPECT_EQ("", Differences(enabled, Shot(gauge_))) << "a disabled gauge looks the same";
  EXPECT_EQ(1, Count(WM_PAINT));

  g_received.clear();
  EnableWindow(gauge_, TRUE);
  EXPECT_EQ(1, Count(WM_ENABLE));
  EXPECT_EQ(0, Count(WM_PAINT));
  EXPECT_TRUE(WholeClientInvalid());
  EXPECT_EQ("", Differences(enabled, Shot(gauge_)));
  EXPECT_EQ(0, Count(WM_ERASEBKGND));
}

TEST_F(GaugeMessages, FontIsZeroUntilSetAndTheDialogCodeIsStatic) {
  EXPECT_EQ(0, SendMessageA(gauge_, WM_GETFONT, 0, 0));
  EXPECT_EQ(DLGC_STATIC, SendMessageA(gauge_, WM_GETDLGCODE, 0, 0));
  EXPECT_EQ(0x0100, SendMessageA(gauge_, WM_GETDLGCODE, VK_TAB, 0));
  EXPECT_EQ("", Shows("50%", 100)) << "with no font the DC's default font is used";
}

TEST_F(GaugeMessages, WindowWordsHoldRangePositionAndFont) {
  Font font(CreatePlainFont(-12, "Tahoma"));
  EXPECT_EQ(12, GetClassLongA(gauge_, GCL_CBWNDEXTRA));
  EXPECT_EQ(100, GetWindowLongA(gauge_, 0));
  EXPECT_EQ(50, GetWindowLongA(gauge_, 4));
  EXPECT_EQ(0, GetWindowLongA(gauge_, 8));
  SendMessageA(gauge_, UM_SETRANGE, 0x12345678, 0);
  SendMessageA(gauge_, UM_SETPOS, 0x87654321u, 0);
  SendMessageA(gauge_, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), 0);
  EXPECT_EQ(0x12345678, GetWindowLongA(gauge_, 0));
  EXPECT_EQ(static_cast<LONG>(0x87654321u), GetWindowLongA(gauge_, 4));
  EXPECT_EQ(reinterpret_cast<LONG_PTR>(font.get()), GetWindowLongA(gauge_, 8));
  // and the get messages answer from the words, whoever wrote them
  SetWindowLongA(gauge_, 0, 8);
  SetWindowLongA(gauge_, 4, 2);
  EXPECT_EQ(8, SendMessageA(gauge_, UM_GETRANGE, 0, 0));
  EXPECT_EQ(2, SendMessageA(gauge_, UM_GETPOS, 0, 0));
  EXPECT_EQ(0, SendMessageA(gauge_, UM_SETRANGE, 8, 0));
  EXPECT_EQ("", Shows("25%", 50, font.get()));
}

TEST_F(GaugeMessages, SubclassAnsweringRangeAndPositionChangesWhatIsPainted) {
  Record();
  g_rangeAnswer = 4;
  g_positionAnswer = 3;
  InvalidateRect(gauge_, nullptr, FALSE);
  EXPECT_EQ("", Shows("75%", 150));
  EXPECT_EQ(100, GetWindowLongA(gauge_, 0)) << "the gauge's own values stay";
  EXPECT_EQ(50, GetWindowLongA(gauge_, 4));

  g_rangeAnswer = 0x10000 + 8;  // the subclass's answers are painted modulo 65536 too
  g_positionAnswer = 0x20000 + 1;
  InvalidateRect(gauge_, nullptr, FALSE);
  EXPECT_EQ("", Shows("12%", 25));
}

TEST_F(GaugeMessages, SubclassAnsweringTheFontChangesThePaintedFont) {
  Font font(CreatePlainFont(-20, "Tahoma"));
  Record();
  g_fontAnswer = font.get();
  InvalidateRect(gauge_, nullptr, FALSE);
  EXPECT_EQ("", Shows("50%", 100, font.get()));
  EXPECT_EQ(0, GetWindowLongA(gauge_, 8)) << "the gauge itself never got a font";
}

TEST_F(GaugeMessages, OtherMessagesGoToTheDefaultProcedure) {
  EXPECT_TRUE(SetWindowTextA(gauge_, "copying"));
  char text[16] = "";
  EXPECT_EQ(7, GetWindowTextA(gauge_, text, sizeof text));
  EXPECT_STREQ("copying", text);
  RECT r;
  GetWindowRect(gauge_, &r);
  EXPECT_EQ(HTCLIENT, SendMessageA(gauge_, WM_NCHITTEST, 0, MAKELPARAM(r.left + 5, r.top + 5)));
  EXPECT_EQ("", Shows("50%", 100)) << "the window text is not what the bar shows";
}

// A dialog template in memory: one "Update" control, id 100, 120 x 12 dialog units.
std::vector<WORD> GaugeDialogTemplate(bool withFont) {
  std::vector<WORD> t;
  auto dword = [&](DWORD v) {
    t.push_back(LOWORD(v));
    t.push_back(HIWORD(v));
  };
  auto text = [&](const char* s) {
    do t.push_back(static_cast<WORD>(static_cast<unsigned char>(*s))); while (*s++);
  };
  dword(WS_POPUP | WS_VISIBLE | (withFont ? DS_SETFONT : 0));  // style
  dword(0);                                                     // extended style
  t.push_back(1);                                               // one control
  t.push_back(0); t.push_back(0); t.push_back(140); t.push_back(30);
  t.push_back(0);  // no menu
  t.push_back(0);  // the dialog class
  text("gauge dialog");
  if (withFont) {
    t.push_back(8);
    text("MS Shell Dlg");
  }
  if (t.size() % 2) t.push_back(0);  // items start on a DWORD boundary
  dword(WS_CHILD | WS_VISIBLE);
  dword(0);
  t.push_back(10); t.push_back(8); t.push_back(120); t.push_back(12);
  t.push_back(100);  // id
  text(GAUGE_CLASS_NAME);
  text("");  // no title
  t.push_back(0);  // no creation data
  return t;
}

INT_PTR CALLBACK PlainDialogProc(HWND, UINT msg, WPARAM, LPARAM) {
  return msg == WM_INITDIALOG;
}

HWND CreateGaugeDialog(bool withFont) {
  std::vector<WORD> t = GaugeDialogTemplate(withFont);
  HWND dlg = CreateDialogIndirectParamA(GetModuleHandleA(nullptr),
                                        reinterpret_cast<LPCDLGTEMPLATEA>(t.data()), nullptr,
                                        PlainDialogProc, 0);
  if (dlg) SetWindowPos(dlg, HWND_TOPMOST, 40, 120, 0, 0, SWP_NOSIZE);
  return dlg;
}

TEST_F(GaugeMessages, GaugeFromADialogTemplateGetsTheDialogsFont) {
  HWND dlg = CreateGaugeDialog(true);
  ASSERT_NE(nullptr, dlg) << GetLastError();
  HWND g = GetDlgItem(dlg, 100);
  ASSERT_NE(nullptr, g);
  HFONT font = reinterpret_cast<HFONT>(SendMessageA(dlg, WM_GETFONT, 0, 0));
  ASSERT_NE(nullptr, font) << "the dialog should have made its font";
  EXPECT_EQ(reinterpret_cast<LRESULT>(font), SendMessageA(g, WM_GETFONT, 0, 0));
  EXPECT_EQ(100, SendMessageA(g, UM_GETRANGE, 0, 0));
  EXPECT_EQ(50, SendMessageA(g, UM_GETPOS, 0, 0));
  SendMessageA(g, UM_SETPOS, 80, 0);
  wintest::Capture got = Shot(g);
  ASSERT_GT(got.width, 100);
  EXPECT_EQ("", Differences(ExpectedBar(got.width, got.height, "80%", got.width * 80 / 100,
                                        font, GetSysColor(COLOR_WINDOW)),
                            got));
  DestroyWindow(dlg);
}

TEST_F(GaugeMessages, GaugeFromADialogTemplateWithoutAFontKeepsTheDefaultFont) {
  HWND dlg = CreateGaugeDialog(false);
  ASSERT_NE(nullptr, dlg) << GetLastError();
  HWND g = GetDlgItem(dlg, 100);
  ASSERT_NE(nullptr, g);
  EXPECT_EQ(0, SendMessageA(g, WM_GETFONT, 0, 0));
  wintest::Capture got = Shot(g);
  EXPECT_EQ("", Differences(ExpectedBar(got.width, got.height, "50%", got.width / 2, nullptr,
                                        GetSysColor(COLOR_WINDOW)),
                            got));
  DestroyWindow(dlg);
}

}  // namespace
