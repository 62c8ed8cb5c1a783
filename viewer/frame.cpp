// The frame window: MDI client, menu commands, and the Open sequence that puts an image
// into a new child window.
#include "resource.h"
#include "viewer.h"

#include <memory>
#include <vector>

#include "about.h"
#include "filedlg.h"
#include "late_bound.h"
#include "pathname.h"
#include "readers/readers.h"

HWND g_hwndMdiClient;
HWND g_hwndPaletteOwner;
int g_nextChildX;
int g_nextChildY;

static const char kOpenFilter[] =
    "All file formats|*.bmp;*.gif;*.tga;*.dib;*.jpg;*.jpeg;*.jpe;*.jfif;*.tif;*.tiff;*.png;"
    "*.webp|Windows Bitmaps|*.bmp|Device Independent Bitmaps|*.dib|Compuserve GIFs|*.gif|"
    "Targa TGAs|*.tga|JPEG|*.jpg;*.jpeg;*.jpe;*.jfif|TIFF|*.tif;*.tiff|PNG (*.png)|*.png|"
    "WebP (*.webp)|*.webp|";
static_assert(sizeof kOpenFilter + 1 <= kFilterBytes, "the Open filter fits the dialog's copy");

HWND CreateMdiClient(HWND frame, HMENU windowMenu) {
  CLIENTCREATESTRUCT ccs;
  ccs.hWindowMenu = windowMenu;
  ccs.idFirstChild = 100;
  return CreateWindowExA(0, "MDICLIENT", nullptr, WS_CHILD | WS_CLIPCHILDREN | WS_VISIBLE, 0,
                         0, 0, 0, frame, nullptr, g_hInstance, &ccs);
}

LRESULT ForwardToChildren(HWND mdiClient, HWND target, UINT msg, WPARAM wParam,
                          LPARAM lParam) {
  if (target == reinterpret_cast<HWND>(-1)) {
    for (HWND c = GetWindow(mdiClient, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
      SendMessageA(c, msg, wParam, lParam);
    return 0;
  }
  if (!target) {
    target = reinterpret_cast<HWND>(SendMessageA(mdiClient, WM_MDIGETACTIVE, 0, 0));
    if (!target) return 0;
  }
  return SendMessageA(target, msg, wParam, lParam);
}

LRESULT ForwardToActiveChild(UINT msg, WPARAM wParam, LPARAM lParam) {
  return ForwardToChildren(g_hwndMdiClient, nullptr, msg, wParam, lParam);
}

HWND CreateImageChild(LPCSTR className, LPCSTR title, LPARAM param) {
  MDICREATESTRUCTA mcs;
  mcs.szClass = className;
  mcs.szTitle = title;
  mcs.hOwner = g_hInstance;
  mcs.x = g_nextChildX;
  mcs.y = g_nextChildY;
  mcs.cx = 320;
  mcs.cy = 240;
  mcs.style = WS_HSCROLL | WS_VSCROLL | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  mcs.lParam = param;
  g_nextChildX += 8;
  g_nextChildY += 8;
  return reinterpret_cast<HWND>(
      SendMessageA(g_hwndMdiClient, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mcs)));
}

// Opens one image into a new child, as File, Open does: the reader is chosen by the
// extension of `name`, which also titles the child; `path` is the file read, or null when the
// name has no form the readers can open (the child then stays empty, as for an unreadable
// file).
static void OpenImageAs(LPCSTR path, LPCSTR name) {
  HBITMAP bitmap = nullptr, thumbnail = nullptr;
  HPALETTE palette = nullptr;
  HWND child = CreateImageChild(CHILD_CLASS, PathAfterBackslash(name), 0);
  if (!child) return;
  ReaderCode code = ReaderCodeFromPath(name);
  g_hwndPaletteOwner = child;
  ImageReader reader = ReaderForCode(code);
  if (reader && path) bitmap = reader(path, &palette, &thumbnail);
  SetWindowLongA(child, WORD_BITMAP, HandleWord(bitmap));
  SetWindowLongA(child, WORD_THUMBNAIL, HandleWord(thumbnail));
  SetWindowLongA(child, WORD_PALETTE, HandleWord(palette));
  SetFocus(child);
  SizeChildToImage(child);
}

void OpenImagePath(LPCSTR path) { OpenImageAs(path, path); }

static void OpenImageFile() {
  if (FileNameDialog(0, g_szFilePath, g_szInitialDir, "Viewer", kOpenFilter, g_hwndFrame) == 1)
    OpenImagePath(g_szFilePath);
}

// The ANSI form of a wide name in a 256-byte buffer, or false when some character has none
// (or the result does not fit). No best-fit: a look-alike letter would name another file.
static bool AnsiName(LPCWSTR wide, char (&ansi)[256]) {
  BOOL usedDefault = FALSE;
  int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, ansi, sizeof ansi,
                              nullptr, &usedDefault);
  return n > 0 && !usedDefault;
}

void OpenWidePath(LPCWSTR path) {
  // The title and the reader come from the long name (a short name cuts ".webp" to ".WEB");
  // characters without an ANSI form show as "?", which names no file.
  LPCWSTR name = path;
  for (LPCWSTR p = path; *p; ++p)
    if (*p == L'\\' || *p == L'/' || *p == L':') name = p + 1;
  char title[256] = "";
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name, -1, title, sizeof title, nullptr,
                      nullptr);
  title[sizeof title - 1] = 0;

  char ansi[256];
  if (AnsiName(path, ansi)) return OpenImageAs(ansi, title);
  // A short (8.3) name is plain ANSI; Wine and NTFS volumes keep one for most long names.
  WCHAR shortName[MAX_PATH];
  DWORD n = GetShortPathNameW(path, shortName, MAX_PATH);
  if (n != 0 && n < MAX_PATH && AnsiName(shortName, ansi)) return OpenImageAs(ansi, title);
  OpenImageAs(nullptr, title);
}

struct LocalFreer {
  void operator()(void* p) const { LocalFree(p); }
};

// Whether anything follows the program's name on its command line (the name is quoted or
// ends at the first blank), so that a plain start does not load the shell to find nothing.
static bool HasArguments(LPCWSTR line) {
  if (*line == L'"') {
    for (++line; *line && *line != L'"'; ++line) {}
    if (*line) ++line;
  } else {
    while (*line && *line != L' ' && *line != L'\t') ++line;
  }
  while (*line == L' ' || *line == L'\t') ++line;
  return *line != 0;
}

// A picture handed over by the shell, named on the command line or dropped: folders among
// them are passed over, as they hold no picture to show.
static void OpenHandedOverPath(LPCWSTR path) {
  DWORD attributes = GetFileAttributesW(path);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
  OpenWidePath(path);
}

void OnFrameOpenCommandLine(HWND frame) {
  LPCWSTR line = GetCommandLineW();
  if (!HasArguments(line)) return;
  static const auto split =
      LateBound<decltype(&CommandLineToArgvW)>("shell32.dll", "CommandLineToArgvW");
  int count = 0;
  std::unique_ptr<LPWSTR, LocalFreer> args(split ? split(line, &count) : nullptr);
  if (!args) return;
  for (int i = 1; i < count; ++i) OpenHandedOverPath(args.get()[i]);
}

void OnFrameDropFiles(HWND frame, HDROP drop) {
  static const auto query = LateBound<decltype(&DragQueryFileW)>("shell32.dll", "DragQueryFileW");
  static const auto finish = LateBound<decltype(&DragFinish)>("shell32.dll", "DragFinish");
  const UINT count = query ? query(drop, 0xFFFFFFFF, nullptr, 0) : 0;
  for (UINT i = 0; i < count; ++i) {
    std::vector<WCHAR> name(query(drop, i, nullptr, 0) + 1);
    if (query(drop, i, name.data(), UINT(name.size()))) OpenHandedOverPath(name.data());
  }
  if (finish) finish(drop);
}

void OnFrameCommand(HWND frame, int id, HWND control, UINT code) {
  HWND active = reinterpret_cast<HWND>(SendMessageA(g_hwndMdiClient, WM_MDIGETACTIVE, 0, 0));
  switch (id) {
    case CMD_EXIT: PostMessageA(frame, WM_CLOSE, 0, 0); break;
    case CMD_CLOSE:
      if (active) PostMessageA(active, WM_CLOSE, 0, 0);
      break;
    case CMD_OPEN: OpenImageFile(); break;
    case CMD_HALFTONE:
      g_bHalftone ^= 1;
      CheckMenuItem(GetMenu(frame), CMD_HALFTONE,
                    MF_BYCOMMAND | (g_bHalftone ? MF_CHECKED : MF_UNCHECKED));
      break;
    case CMD_ABOUT:
      DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(IDD_ABOUT), frame, AboutDlgProc, 0);
      break;
    case CMD_TILE:
    case CMD_CASCADE:
    case CMD_ARRANGE: SendMessageA(g_hwndMdiClient, id, 0, 0); break;
    default:
      ForwardToActiveChild(WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control));
  }
}

void OnFrameInitMenuPopup(HWND frame, HMENU popup, UINT position, BOOL systemMenu) {
  if (!systemMenu)
    ForwardToActiveChild(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), MAKELPARAM(position, 0));
}

void OnFrameSize(HWND frame, UINT type, int width, int height) {
  MoveWindow(g_hwndMdiClient, 0, 0, width, height, TRUE);
}

LRESULT CALLBACK FrameWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE: {
      // The list of open children goes at the end of the last popup.
      HMENU bar = GetMenu(hwnd);
      g_hwndMdiClient = CreateMdiClient(hwnd, GetSubMenu(bar, GetMenuItemCount(bar) - 1));
      break;
    }
    case WM_DESTROY: PostQuitMessage(0); return 0;
    case WM_SIZE:
      OnFrameSize(hwnd, static_cast<UINT>(wParam), static_cast<short>(LOWORD(lParam)),
                  static_cast<short>(HIWORD(lParam)));
      break;
    case WM_COMMAND:
      OnFrameCommand(hwnd, LOWORD(wParam), reinterpret_cast<HWND>(lParam), HIWORD(wParam));
      break;
    case WM_INITMENUPOPUP:
      OnFrameInitMenuPopup(hwnd, reinterpret_cast<HMENU>(wParam), LOWORD(lParam),
                           HIWORD(lParam));
      break;
    case WM_DROPFILES: OnFrameDropFiles(hwnd, reinterpret_cast<HDROP>(wParam)); return 0;
    case WM_OPEN_COMMAND_LINE: OnFrameOpenCommandLine(hwnd); return 0;
    case WM_QUERYNEWPALETTE:
      return ForwardToChildren(g_hwndMdiClient, nullptr, msg, wParam, lParam);
    case WM_PALETTECHANGED:
      ForwardToChildren(g_hwndMdiClient, reinterpret_cast<HWND>(-1), msg, wParam, lParam);
      break;
  }
  return DefFrameProcA(hwnd, g_hwndMdiClient, msg, wParam, lParam);
}
