// Command 103: loading the flic named in g_szFlicPath into the window, with the messages for
// files that cannot be loaded, the title with the frame count and the window sized to the
// frame.
#include "converter.h"
#include "pathname.h"

// The window as large as the frame plus frame, caption and menu, but never beyond the screen.
static void SizeWindowToFrame(HWND hwnd) {
  int width = 2 * GetSystemMetrics(SM_CXFRAME) + g_width;
  int height = GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFRAME) +
               GetSystemMetrics(SM_CYMENU) + g_height;
  if (width > g_cxScreen) width = g_cxScreen;
  if (height > g_cyScreen) height = g_cyScreen;
  SetWindowPos(hwnd, HWND_TOP, 0, 0, width, height, SWP_NOMOVE);
}

int LoadFlic(HWND hwnd) {
  FreeMovie();
  // The type follows the upper-cased name, which also opens the file and words the messages.
  char path[256];
  lstrcpynA(path, g_szFlicPath, sizeof path);
  CharUpperA(path);
  g_isFlc = PathIsFli(path) ? 0 : 1;
  switch (LoadFlicMovie(path)) {
    case FLIC_LOADED: break;
    case FLIC_NOT_VALID:
      return ReportError(hwnd, g_isFlc ? "'%s' is NOT a valid FLC file"
                                       : "'%s' is NOT a valid FLI file", path);
    case FLIC_NO_MEMORY: return ReportError(hwnd, "Out of memory");
    case FLIC_READ_ERROR:
      ShowAviWriteWarning(g_isFlc ? "Error reading FLC file" : "Error reading FLI file");
      return 0;
  }
  FormatText(g_szTitle, sizeof g_szTitle, "%s (%u Frames)", PathNameStart(g_szFlicPath),
             static_cast<unsigned>(g_frameCount));
  SendMessageA(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(g_szTitle));
  SizeWindowToFrame(hwnd);
  InvalidateRect(hwnd, nullptr, TRUE);
  EnableMenuItem(GetMenu(hwnd), CMD_WRITE, MF_BYCOMMAND | MF_ENABLED);
  return 1;
}
