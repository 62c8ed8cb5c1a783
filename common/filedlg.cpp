// The Open and Save dialog wrapper (see filedlg.h). The converter's copy is compiled with
// XQV_CONVERTER and tells the dialog smaller limits.
#include "filedlg.h"

#include <commdlg.h>

#include <cstring>

#include "late_bound.h"
#include "pathname.h"

#ifdef XQV_CONVERTER
enum { kFileLimit = 255 };
#else
enum { kFileLimit = 256 };
#endif
enum { kPathBytes = 256 };
// The Windows 95/NT 4 layout (76 bytes in a 32-bit build), without the later fields.
const DWORD kOpenFileNameSize = OPENFILENAME_SIZE_VERSION_400A;

void ConvertFilter(LPCSTR filter, LPSTR buffer, size_t bufferSize) {
  if (bufferSize < 2) return;
  size_t n = std::strlen(filter);
  if (n > bufferSize - 2) n = bufferSize - 2;
  std::memcpy(buffer, filter, n);
  buffer[n] = 0;
  buffer[n + 1] = 0;
  for (size_t i = 0; i < n; ++i)
    if (buffer[i] == '|') buffer[i] = 0;
}

int FileNameDialog(int save, LPSTR fileBuffer, LPSTR dirBuffer, LPCSTR title, LPCSTR filter,
                   HWND owner) {
  char filterBuffer[kFilterBytes];
  char titleBuffer[kPathBytes] = "";
  ConvertFilter(filter, filterBuffer, sizeof filterBuffer);

  OPENFILENAMEA ofn;
  std::memset(&ofn, 0, sizeof ofn);
  ofn.lStructSize = kOpenFileNameSize;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filterBuffer;
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = fileBuffer;
  ofn.nMaxFile = kFileLimit;
  ofn.lpstrFileTitle = titleBuffer;
  ofn.nMaxFileTitle = kFileLimit;
  ofn.lpstrInitialDir = dirBuffer;
  ofn.lpstrTitle = title;
  // Saving onto an existing file asks first: one slip must not replace a movie.
  ofn.Flags = save ? (OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY)
                   : (OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY);
  static const auto openDialog =
      LateBound<decltype(&GetOpenFileNameA)>("comdlg32.dll", "GetOpenFileNameA");
  static const auto saveDialog =
      LateBound<decltype(&GetSaveFileNameA)>("comdlg32.dll", "GetSaveFileNameA");
  const auto dialog = save ? saveDialog : openDialog;
  BOOL chosen = dialog ? dialog(&ofn) : FALSE;
  if (!chosen) return 0;

  // The directory is the chosen path cut just before its name part.
  lstrcpynA(titleBuffer, fileBuffer, sizeof titleBuffer);
  LPSTR name = PathNameStart(titleBuffer);
  *CharPrevA(titleBuffer, name) = 0;
  lstrcpynA(dirBuffer, titleBuffer, kPathBytes);
  return chosen;
}
