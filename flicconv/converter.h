// The converter's Windows side: the shell (start-up, window, commands, dialogs, message
// boxes), loading into the window, the frame display and stepping, and AVI output.
#pragma once
#include "flic.h"
#include "resource.h"

#define CONVERTER_CLASS "XQV:AVIConvertClass"
#define CONVERTER_TITLE "FLI/FLC to AVI Movie Converter"

// ---- shell state ----
extern HINSTANCE g_hInst;
extern HWND g_hwndMain;
extern int g_writing;             // the write loop is running
extern int g_compressConfigured;  // Configure Compress has been chosen in this run
extern int g_frameRate;           // frames per second of the AVI stream
extern char g_szFlicPath[256], g_szFlicDir[256], g_szAviPath[256], g_szAviDir[256];
extern char g_szTitle[256];
extern int g_cxScreen, g_cyScreen;

// ---- shell (shell.cpp) ----
int ConverterMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);
int RunConverter(HINSTANCE instance);
LRESULT CALLBACK ConverterWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT OnConverterCommand(HWND hwnd, WPARAM wParam);
// Dispatches every waiting message; returns 0 when it met WM_QUIT or the program is to end,
// which the caller must post again once it has finished (the code is kept in g_quitCode).
int PumpMessages();
// Ends the program as Exit does, from wherever it is called: running write loops and open
// dialogs end first, then the main loop returns the code.
void RequestExit(WPARAM code);
extern int g_exitRequested;
extern WPARAM g_quitCode;

// ---- dialogs and message boxes (dialogs.cpp) ----
INT_PTR CALLBACK FrameRateDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
int ReportError(HWND owner, const char* format, ...);
void ShowAviWriteWarning(const char* text);
// Formats into a buffer of the given size, cutting what does not fit.
void FormatText(char* buffer, size_t bytes, const char* format, ...);

// ---- loading into the window (load.cpp) ----
int LoadFlic(HWND hwnd);

// ---- display and stepping (display.cpp) ----
void PaintFrame(HWND hwnd);
int NextFlcFrame(HWND hwnd);
int NextFliFrame(HWND hwnd);

// ---- AVI output (avi_write.cpp) ----
void WriteMovie(HWND hwnd);
void ChooseCompression(HWND owner, const char* path);
