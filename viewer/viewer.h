// Module-wide state and entry points of the viewer shell: start-up, the frame window and its
// commands, and the image child windows.
#pragma once
#include "platform.h"

#ifdef _WIN32
#include <shellapi.h>
#endif

enum {
  CMD_SPACE = 10,
  CMD_TILE = 550,
  CMD_CASCADE = 551,
  CMD_ARRANGE = 552,
  CMD_EXIT = 1001,
  CMD_CLOSE = 1003,
  CMD_OPEN = 1004,
  CMD_HALFTONE = 1005,
  CMD_ABOUT = 1006,
};

// The three image window words of a child.
enum { WORD_BITMAP = 0, WORD_THUMBNAIL = 4, WORD_PALETTE = 8, CHILD_WINDOW_BYTES = 12 };

#define FRAME_CLASS "XQV:Viewer"
#define CHILD_CLASS "XQV:Viewer:Window"

#ifdef _WIN32
// A GDI handle as a window word. GDI handles fit in 32 bits in 64-bit processes too, so the
// three words stay 32 bits wide in every build.
inline LONG HandleWord(HGDIOBJ object) {
  return static_cast<LONG>(reinterpret_cast<LONG_PTR>(object));
}

// Posted to the frame at start-up: open the files named on the command line, once the frame
// is shown and the loop runs.
enum { WM_OPEN_COMMAND_LINE = WM_APP + 1 };

extern HINSTANCE g_hInstance;
extern HACCEL g_hAccel;
extern HWND g_hwndFrame;
extern HWND g_hwndMdiClient;
extern HWND g_hwndPaletteOwner;
extern char g_szFilePath[256];
extern char g_szInitialDir[256];
extern int g_nextChildX;
extern int g_nextChildY;

int ViewerMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);
int InitViewer(HINSTANCE instance, HINSTANCE previous, int showCommand);
LRESULT CALLBACK FrameWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
HWND CreateMdiClient(HWND frame, HMENU windowMenu);
LRESULT ForwardToChildren(HWND mdiClient, HWND target, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT ForwardToActiveChild(UINT msg, WPARAM wParam, LPARAM lParam);
void OnFrameCommand(HWND frame, int id, HWND control, UINT code);
void OnFrameInitMenuPopup(HWND frame, HMENU popup, UINT position, BOOL systemMenu);
void OnFrameSize(HWND frame, UINT type, int width, int height);
HWND CreateImageChild(LPCSTR className, LPCSTR title, LPARAM param);
// Opens the file in a new child exactly as File, Open does once its dialog has given a path.
void OpenImagePath(LPCSTR path);
// The same for a wide name (command line, dropped files), opened by its ANSI name, or by its
// short name where a character has no ANSI form.
void OpenWidePath(LPCWSTR path);
void OnFrameOpenCommandLine(HWND frame);
void OnFrameDropFiles(HWND frame, HDROP drop);

LRESULT CALLBACK ImageChildWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
void SizeChildToImage(HWND child);
void UpdateScrollRanges(HWND child);
void GetFullClientRect(HWND child, RECT* rect);
void PaintImageChild(HWND child, HDC dc, int x, int y);
#endif

// halftone mode: images of 8 or more bits per pixel are reduced to the halftone palette.
extern int g_bHalftone;
