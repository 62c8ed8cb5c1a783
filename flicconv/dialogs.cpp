// The Frame Rate dialog and the converter's message boxes (the About box is common code).
#include <cstdarg>
#include <cstdio>

#include "converter.h"

void FormatText(char* buffer, size_t bytes, const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  std::vsnprintf(buffer, bytes, format, ap);
  va_end(ap);
  buffer[bytes - 1] = 0;
}

INT_PTR CALLBACK FrameRateDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG:
      SetDlgItemInt(dlg, IDC_FRAME_RATE, static_cast<UINT>(g_frameRate), FALSE);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        // Text that is not a number reads as 0; command 107 then makes it 1.
        g_frameRate = static_cast<int>(GetDlgItemInt(dlg, IDC_FRAME_RATE, nullptr, FALSE));
        EndDialog(dlg, 1);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dlg, 0);
        return TRUE;
      }
      return FALSE;
    default: return FALSE;
  }
}

int ReportError(HWND owner, const char* format, ...) {
  char text[128];
  va_list ap;
  va_start(ap, format);
  std::vsnprintf(text, sizeof text, format, ap);
  va_end(ap);
  text[sizeof text - 1] = 0;
  g_writeRequested = 0;
  MessageBoxA(owner, text, nullptr, MB_ICONEXCLAMATION);
  return 0;
}

void ShowAviWriteWarning(const char* text) {
  MessageBoxA(nullptr, text, "AVI Write", MB_ICONEXCLAMATION);
}
