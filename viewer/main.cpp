// Viewer start-up and the message loop.
#include "resource.h"
#include "viewer.h"

#include <cstring>

#include "pathname.h"

HINSTANCE g_hInstance;
HACCEL g_hAccel;
HWND g_hwndFrame;
char g_szFilePath[256];
char g_szInitialDir[256];
int g_bHalftone;

static BOOL RegisterViewerClasses(HINSTANCE instance) {
  WNDCLASSA wc;
  std::memset(&wc, 0, sizeof wc);
  wc.lpfnWndProc = FrameWndProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, "AppIcon");
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
  wc.lpszMenuName = "AppMenu";
  wc.lpszClassName = FRAME_CLASS;
  if (!RegisterClassA(&wc)) return FALSE;

  std::memset(&wc, 0, sizeof wc);
  wc.lpfnWndProc = ImageChildWndProc;
  wc.cbWndExtra = CHILD_WINDOW_BYTES;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);  // no icon: a minimised child paints itself
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
  wc.lpszClassName = CHILD_CLASS;
  return RegisterClassA(&wc) != 0;
}

int InitViewer(HINSTANCE instance, HINSTANCE previous, int showCommand) {
  g_hInstance = instance;
  g_hAccel = LoadAcceleratorsA(instance, "AppAccel");
  if (!previous && !RegisterViewerClasses(instance)) return 0;

  // WS_EX_ACCEPTFILES is what DragAcceptFiles sets; asking for it at creation keeps the shell
  // from loading at every start (drops are read through it when they come).
  g_hwndFrame = CreateWindowExA(WS_EX_ACCEPTFILES, FRAME_CLASS, "MDI Image File Viewer",
                                WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, CW_USEDEFAULT,
                                CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
  if (!g_hwndFrame) return 0;
  // The files named on the command line open once the loop runs; posted before the frame
  // shows, so that whatever another program asks of the visible frame comes after them.
  PostMessageA(g_hwndFrame, WM_OPEN_COMMAND_LINE, 0, 0);
  ShowWindow(g_hwndFrame, showCommand);

  // The Open dialog first shows the program's own folder.
  char module[256] = "";
  GetModuleFileNameA(nullptr, module, sizeof module);
  *PathNameStart(module) = 0;
  lstrcpynA(g_szInitialDir, module, sizeof g_szInitialDir);
  g_szFilePath[0] = 0;

  HDC screen = GetDC(GetDesktopWindow());
  int bits = GetDeviceCaps(screen, BITSPIXEL);
  ReleaseDC(GetDesktopWindow(), screen);
  g_bHalftone = bits <= 8 ? 1 : 0;
  CheckMenuItem(GetMenu(g_hwndFrame), CMD_HALFTONE,
                MF_BYCOMMAND | (g_bHalftone ? MF_CHECKED : MF_UNCHECKED));
  return 1;
}

int ViewerMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand) {
  if (!InitViewer(instance, previous, showCommand)) return 0;
  MSG msg;
  for (;;) {
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      WaitMessage();
      continue;
    }
    if (msg.message == WM_QUIT) return static_cast<int>(msg.wParam);
    if (g_hAccel && g_hwndFrame && TranslateAcceleratorA(g_hwndFrame, g_hAccel, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand) {
  return ViewerMain(instance, previous, commandLine, showCommand);
}
