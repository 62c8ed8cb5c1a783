// The converter's start-up with its single-instance rule, the main window and its commands,
// and the message loops.
#include <cstring>

#include "about.h"
#include "converter.h"
#include "filedlg.h"
#include "pathname.h"

HINSTANCE g_hInst;
HWND g_hwndMain;
int g_writing;
int g_compressConfigured;
int g_frameRate = 15;
char g_szFlicPath[256], g_szFlicDir[256], g_szAviPath[256], g_szAviDir[256];
char g_szTitle[256];
int g_cxScreen, g_cyScreen;
int g_exitRequested;
WPARAM g_quitCode;

static const char kOpenFilter[] = "Flic files (*.FLI *.FLC)|*.FL?|";

static BOOL RegisterConverterClass(HINSTANCE instance) {
  WNDCLASSA wc;
  std::memset(&wc, 0, sizeof wc);
  wc.lpfnWndProc = ConverterWndProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, "PLAYERICON");
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszMenuName = "ShowMenu";
  wc.lpszClassName = CONVERTER_CLASS;
  return RegisterClassA(&wc) != 0;
}

static void AppendText(char* buffer, size_t bytes, const char* text) {
  size_t have = std::strlen(buffer), add = std::strlen(text);
  if (have + add < bytes) std::memcpy(buffer + have, text, add + 1);
}

// Both dialogs start in the folder "flics" beside the program.
static void SetDialogFolders() {
  GetModuleFileNameA(nullptr, g_szFlicDir, 255);
  g_szFlicDir[255] = 0;
  *PathNameStart(g_szFlicDir) = 0;
  lstrcpynA(g_szAviDir, g_szFlicDir, sizeof g_szAviDir);
  AppendText(g_szFlicDir, sizeof g_szFlicDir, "flics");
  AppendText(g_szAviDir, sizeof g_szAviDir, "flics");
}

int RunConverter(HINSTANCE instance) {
  g_hInst = instance;
  if (!RegisterConverterClass(instance)) return 0;
  g_cxScreen = GetSystemMetrics(SM_CXSCREEN);
  g_cyScreen = GetSystemMetrics(SM_CYSCREEN);
  g_hwndMain = CreateWindowExA(0, CONVERTER_CLASS, CONVERTER_TITLE, WS_OVERLAPPEDWINDOW,
                               CW_USEDEFAULT, CW_USEDEFAULT, 320, 250, nullptr, nullptr,
                               instance, nullptr);
  if (!g_hwndMain) {
    UnregisterClassA(CONVERTER_CLASS, instance);
    return 0;
  }
  ShowWindow(g_hwndMain, SW_SHOWNA);
  SetDialogFolders();
  PostMessageA(g_hwndMain, WM_COMMAND, CMD_OPEN, 0);

  MSG msg;
  msg.wParam = 0;
  // A modal loop that ran inside a dispatch may have taken the quit for itself: the request
  // ends this loop all the same.
  while (!g_exitRequested && GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  if (!g_exitRequested) g_quitCode = msg.wParam;
  FreeMovie();
  UnregisterClassA(CONVERTER_CLASS, instance);
  return static_cast<int>(g_quitCode);
}

int PumpMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // The write loop ends, closes its file and posts the quit again.
      g_exitRequested = 1;
      g_quitCode = msg.wParam;
      return 0;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    if (g_exitRequested) return 0;
  }
  return 1;
}

// Every dialog and message box of this thread (the Save and Open dialogs, the compression
// and frame-rate dialogs, the messages) is cancelled, so each modal loop returns to the code
// that opened it, which sees the exit request.
static BOOL CALLBACK CancelDialog(HWND hwnd, LPARAM) {
  char cls[16] = "";
  GetClassNameA(hwnd, cls, sizeof cls);
  if (hwnd != g_hwndMain && lstrcmpA(cls, "#32770") == 0)
    PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  return TRUE;
}

void RequestExit(WPARAM code) {
  g_exitRequested = 1;
  g_quitCode = code;
  g_writeRequested = 0;  // a running write loop ends at its next pass
  EndMenu();
  EnumThreadWindows(GetCurrentThreadId(), CancelDialog, 0);
  PostQuitMessage(static_cast<int>(code));
}

static void OpenFlicCommand(HWND hwnd) {
  if (g_writing) return;  // Open is greyed while writing: a frame size may not change then
  if (FileNameDialog(0, g_szFlicPath, g_szFlicDir, "File to Convert", kOpenFilter, hwnd) &&
      !g_exitRequested)
    SendMessageA(hwnd, WM_COMMAND, CMD_LOAD, 0);
}

static void FrameRateCommand(HWND hwnd) {
  DialogBoxParamA(g_hInst, MAKEINTRESOURCEA(IDD_FRAME_RATE), hwnd, FrameRateDlgProc, 0);
  if (g_frameRate < 1) g_frameRate = 1;
}

LRESULT OnConverterCommand(HWND hwnd, WPARAM wParam) {
  switch (LOWORD(wParam)) {
    case CMD_QUIT:
    case CMD_EXIT: RequestExit(0); break;
    case CMD_LOAD: LoadFlic(hwnd); break;
    case CMD_OPEN: OpenFlicCommand(hwnd); break;
    case CMD_WRITE: WriteMovie(hwnd); break;
    case CMD_COMPRESS:
      ChooseCompression(hwnd, nullptr);
      g_compressConfigured = 1;
      break;
    case CMD_FRAME_RATE: FrameRateCommand(hwnd); break;
    case CMD_ABOUT:
      DialogBoxParamA(g_hInst, MAKEINTRESOURCEA(IDD_ABOUT), hwnd, AboutDlgProc, 0);
      break;
    default: break;
  }
  return 1;
}

LRESULT CALLBACK ConverterWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT: PaintFrame(hwnd); return 0;
    case WM_COMMAND: return OnConverterCommand(hwnd, wParam);
    case WM_CLOSE:
      // From anywhere (another program, a modal loop): ends the program as Exit does,
      // rather than leave a process without its window.
      RequestExit(0);
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) {
        // The close box goes through Exit.
        PostMessageA(hwnd, WM_COMMAND, CMD_EXIT, 0);
        return 0;
      }
      return DefWindowProcA(hwnd, msg, wParam, lParam);
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
}

int ConverterMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand) {
  if (HWND running = FindWindowA(CONVERTER_CLASS, nullptr)) {
    SetForegroundWindow(running);
    BringWindowToTop(running);
    ShowWindow(running, SW_SHOW);
    return 32;
  }
  if (previous) return 0;
  return RunConverter(instance);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand) {
  return ConverterMain(instance, previous, commandLine, showCommand);
}
