// What the ridgel test programs share: loading the real DLL, making dialogs from the test
// templates, reading a window's subclass record the way any program could (global atoms and
// window properties), recording what the application's dialog procedure sees, the glyph
// bitmap's cells, settled screen captures and real mouse input.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ridgel_tests.h"
#include "wintest.h"

namespace rt {

constexpr char kHighName[] = "DialogsHook";
constexpr char kLowName[] = "kooHsgolaiD";

inline std::string ExeDir() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string s(path, n);
  return s.substr(0, s.find_last_of("\\/"));
}

// The tests live in <build>/tests/bin, the DLL in <build>/bin.
inline std::string RidgelPath() { return ExeDir() + "\\..\\..\\bin\\ridgel.dll"; }

// The platform's major version as GetVersion reports it to this program.
inline int MajorVersion() { return LOBYTE(LOWORD(GetVersion())); }

// The loaded DLL and its exports, freed at the end of the scope.
struct Library {
  HMODULE module = nullptr;
  BOOL(WINAPI* registerFn)(HINSTANCE) = nullptr;
  BOOL(WINAPI* unregisterFn)(HINSTANCE) = nullptr;
  BOOL(WINAPI* autoSubclass)(HINSTANCE) = nullptr;
  BOOL(WINAPI* unAutoSubclass)() = nullptr;

  Library() {
    module = LoadLibraryA(RidgelPath().c_str());
    if (!module) return;
    registerFn = reinterpret_cast<decltype(registerFn)>(GetProcAddress(module, "Ctl3dRegister"));
    unregisterFn =
        reinterpret_cast<decltype(unregisterFn)>(GetProcAddress(module, "Ctl3dUnregister"));
    autoSubclass =
        reinterpret_cast<decltype(autoSubclass)>(GetProcAddress(module, "Ctl3dAutoSubclass"));
    unAutoSubclass =
        reinterpret_cast<decltype(unAutoSubclass)>(GetProcAddress(module, "Ctl3dUnAutoSubclass"));
  }
  ~Library() {
    if (module) FreeLibrary(module);
  }
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  bool Complete() const {
    return module && registerFn && unregisterFn && autoSubclass && unAutoSubclass;
  }
  // Whether an address lies inside the DLL's image.
  bool Contains(const void* address) const {
    auto base = reinterpret_cast<const BYTE*>(module);
    auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    auto p = static_cast<const BYTE*>(address);
    return p >= base && p < base + nt->OptionalHeader.SizeOfImage;
  }
};

// ---- the subclass record as any program can read it ----

inline ATOM HighAtom() { return GlobalFindAtomA(kHighName); }
inline ATOM LowAtom() { return GlobalFindAtomA(kLowName); }

inline DWORD_PTR PropValue(HWND hwnd, ATOM atom) {
  return atom ? reinterpret_cast<DWORD_PTR>(GetPropA(hwnd, MAKEINTATOM(atom))) : 0;
}

// Drops references to the two atoms that programs before this one left behind (a program that
// ends without destroying its subclassed windows never gives its references back), so that a
// test sees only the references its own windows take.
inline void ForgetLeftoverAtoms() {
  for (const char* name : {kHighName, kLowName}) {
    for (int i = 0; i < 10000 && GlobalFindAtomA(name); ++i) GlobalDeleteAtom(GlobalFindAtomA(name));
  }
}

inline bool IsSubclassed(HWND hwnd) {
  return PropValue(hwnd, HighAtom()) != 0 || PropValue(hwnd, LowAtom()) != 0;
}

// The low property holds the low 16 bits, the high one the rest (16 bits in a 32-bit process).
inline DWORD_PTR RecordedProc(HWND hwnd) {
  DWORD_PTR high = PropValue(hwnd, HighAtom());
#ifndef _WIN64
  high = LOWORD(high);
#endif
  return LOWORD(PropValue(hwnd, LowAtom())) | (high << 16);
}

inline void* WindowProc(HWND hwnd) {
  return reinterpret_cast<void*>(GetWindowLongPtrA(hwnd, GWLP_WNDPROC));
}

// ---- what the application's dialog procedure sees ----

struct Seen {
  HWND hwnd;
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
};

// Every message that reaches RecordingDialogProc, in order; cleared by the fixtures.
inline std::vector<Seen>& Log() {
  static std::vector<Seen> log;
  return log;
}

// A brush the application answers every colour question with: a treated dialog never asks it.
inline HBRUSH AppBrush() {
  static HBRUSH brush = CreateSolidBrush(RGB(200, 0, 0));
  return brush;
}
constexpr COLORREF kAppColour = RGB(200, 0, 0);

// Records everything and answers the colour questions itself, as an application that wants
// its own colours would.
inline INT_PTR CALLBACK RecordingDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Log().push_back({hwnd, msg, wParam, lParam});
  switch (msg) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSCROLLBAR:
      SetBkColor(reinterpret_cast<HDC>(wParam), kAppColour);
      return reinterpret_cast<INT_PTR>(AppBrush());
    default:
      return FALSE;
  }
}

inline int CountSeen(HWND hwnd, UINT msg) {
  int n = 0;
  for (const Seen& s : Log()) n += (s.hwnd == hwnd && s.msg == msg) ? 1 : 0;
  return n;
}

// A modeless dialog from a test template, shown at a fixed place on the screen and painted.
inline HWND OpenDialog(int templateId, DLGPROC proc = RecordingDialogProc, int x = 40,
                       int y = 40) {
  HWND dlg = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId), nullptr,
                                proc, 0);
  if (!dlg) return nullptr;
  SetWindowPos(dlg, HWND_TOP, x, y, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
  UpdateWindow(dlg);
  wintest::Pump();
  return dlg;
}

// Destroys a dialog when the scope ends (a test that fails must not leave it behind).
struct DialogGuard {
  HWND hwnd;
  explicit DialogGuard(HWND h) : hwnd(h) {}
  ~DialogGuard() {
    if (hwnd && IsWindow(hwnd)) DestroyWindow(hwnd);
    wintest::Pump();
  }
};

// A square popup window of a class of the test's own with the given procedure (registered
// on first use), or null.
inline HWND CreatePopupOfClass(const char* className, WNDPROC proc, const char* title, int size) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA wc = {};
  if (!GetClassInfoA(instance, className, &wc)) {
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.lpszClassName = className;
    if (!RegisterClassA(&wc)) return nullptr;
  }
  return CreateWindowA(className, title, WS_POPUP, 0, 0, size, size, nullptr, nullptr, instance,
                       nullptr);
}

// A window of a plain class of our own, so that the hook sees "the next window".
inline HWND CreatePlainWindow() {
  return CreatePopupOfClass("RidgelTestPlain", DefWindowProcA, "", 10);
}

// Wine makes an IME window (and, after the first WM_INITDIALOG, an OLE window) when a thread
// gets its first top-level window, and destroys them with the last one. A hidden window kept
// for the whole program, and one dialog made at start, keep those creations out of the tests,
// so that "the next window created" is always the one a test creates.
class AnchorEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ForgetLeftoverAtoms();
    anchor_ = CreatePlainWindow();
    HWND warm = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_EMPTY),
                                   nullptr, RecordingDialogProc, 0);
    if (warm) DestroyWindow(warm);
    wintest::Pump();
    Log().clear();
  }
  void TearDown() override {
    if (anchor_) DestroyWindow(anchor_);
  }

 private:
  HWND anchor_ = nullptr;
};

inline ::testing::Environment* const g_anchor =
    ::testing::AddGlobalTestEnvironment(new AnchorEnvironment);

// ---- pixels ----

// The screen area of a window's client rectangle, captured once two successive captures agree
// (Wine shows what was drawn after its next surface flush).
inline wintest::Capture SettledClient(HWND hwnd) {
  UpdateWindow(hwnd);
  wintest::Capture last = wintest::CaptureClient(hwnd);
  wintest::Capture now;
  wintest::PumpUntil([&] {
    now = wintest::CaptureClient(hwnd);
    bool same = now.pixels == last.pixels;
    last = now;
    return same;
  }, 3000);
  return now;
}

inline wintest::Capture SettledScreen(int x, int y, int w, int h) {
  wintest::Capture last = wintest::CaptureScreen(x, y, w, h);
  wintest::Capture now;
  wintest::PumpUntil([&] {
    now = wintest::CaptureScreen(x, y, w, h);
    bool same = now.pixels == last.pixels;
    last = now;
    return same;
  }, 3000);
  return now;
}

inline std::string Hex(COLORREF c) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%06lx", static_cast<unsigned long>(c));
  return buf;
}

// The glyph bitmap's pixels (COLORREF, top row first), read from a module's resource.
struct GlyphSheet {
  int width = 0, height = 0;
  std::vector<COLORREF> pixels;
  COLORREF at(int x, int y) const { return pixels[size_t(y) * width + x]; }
};

inline GlyphSheet LoadGlyphSheet(HMODULE module) {
  GlyphSheet sheet;
  HBITMAP bitmap = LoadBitmapA(module, "RidgelBitmap");
  if (!bitmap) return sheet;
  BITMAP bm;
  GetObjectA(bitmap, sizeof bm, &bm);
  sheet.width = bm.bmWidth;
  sheet.height = bm.bmHeight;
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = bm.bmWidth;
  bi.bmiHeader.biHeight = -bm.bmHeight;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  std::vector<DWORD> bits(size_t(bm.bmWidth) * bm.bmHeight);
  HDC screen = GetDC(nullptr);
  GetDIBits(screen, bitmap, 0, bm.bmHeight, bits.data(), &bi, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  DeleteObject(bitmap);
  for (DWORD v : bits) sheet.pixels.push_back(RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF));
  return sheet;
}

// Empty when the 13 x 13 area at (x, y) of the capture shows the cell (column, row); else a
// description of the first difference.
inline std::string CompareCell(const wintest::Capture& shot, int x, int y, const GlyphSheet& sheet,
                               int column, int row) {
  for (int dy = 0; dy < 13; ++dy) {
    for (int dx = 0; dx < 13; ++dx) {
      COLORREF want = sheet.at(13 * column + dx, 13 * row + dy);
      COLORREF got = shot.at(x + dx, y + dy);
      if (want != got) {
        return "cell (" + std::to_string(column) + "," + std::to_string(row) + ") pixel (" +
               std::to_string(dx) + "," + std::to_string(dy) + "): expected " + Hex(want) +
               ", got " + Hex(got);
      }
    }
  }
  return "";
}

// Which cell of the sheet the 13 x 13 area at (x, y) shows, as column + 6 × row, or −1.
inline int WhichCell(const wintest::Capture& shot, int x, int y, const GlyphSheet& sheet) {
  for (int row = 0; row < 2; ++row) {
    for (int column = 0; column < 6; ++column) {
      if (CompareCell(shot, x, y, sheet, column, row).empty()) return column + 6 * row;
    }
  }
  return -1;
}

// ---- real mouse input ----

inline void SendMouse(DWORD flags, int x, int y) {
  INPUT in = {};
  in.type = INPUT_MOUSE;
  int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  // The centre of the target pixel in the 0..65535 scale.
  in.mi.dx = LONG((x * 65536LL + 32768) / w);
  in.mi.dy = LONG((y * 65536LL + 32768) / h);
  in.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &in, sizeof in);
}

// Moves the pointer to a screen point and waits until the system has it there.
inline bool MouseTo(int x, int y) {
  SendMouse(MOUSEEVENTF_MOVE, x, y);
  return wintest::PumpUntil([&] {
    POINT p;
    GetCursorPos(&p);
    return p.x == x && p.y == y;
  });
}

inline POINT ClientToScreenPoint(HWND hwnd, int x, int y) {
  POINT p = {x, y};
  ClientToScreen(hwnd, &p);
  return p;
}

}  // namespace rt
