// The drawing objects all treated dialogs share: the control font from the user's profile,
// the button-face brush and the glyph bitmap. They are made when the first dialog counts in
// and deleted when the last one counts out; each dialog's counting in is recorded, so a dialog
// that never counted in cannot take the objects away from the others.
#include "ridgel.h"

#include "gdi_guard.h"
#include "geometry.h"

const char kGlyphBitmapName[] = "RidgelBitmap";

int g_dialogCount;
HFONT g_hControlFont;
HBRUSH g_hFaceBrush;
HBITMAP g_hGlyphBitmap;

namespace {

// The dialogs that counted in, in a fixed local-heap block that grows by doubling and is
// freed when the last one has counted out.
HWND* g_countedDialogs;
int g_countedSize;
int g_countedCapacity;

int FindCounted(HWND dialog) {
  for (int i = 0; i < g_countedSize; ++i) {
    if (g_countedDialogs[i] == dialog) return i;
  }
  return -1;
}

bool RememberCounted(HWND dialog) {
  if (g_countedSize == g_countedCapacity) {
    int capacity = g_countedCapacity ? 2 * g_countedCapacity : 8;
    HWND* grown = static_cast<HWND*>(LocalAlloc(LMEM_FIXED, sizeof(HWND) * size_t(capacity)));
    if (!grown) return false;
    for (int i = 0; i < g_countedSize; ++i) grown[i] = g_countedDialogs[i];
    if (g_countedDialogs) LocalFree(g_countedDialogs);
    g_countedDialogs = grown;
    g_countedCapacity = capacity;
  }
  g_countedDialogs[g_countedSize++] = dialog;
  return true;
}

void ForgetCounted(int index) {
  g_countedDialogs[index] = g_countedDialogs[--g_countedSize];
  if (g_countedSize == 0) {
    LocalFree(g_countedDialogs);
    g_countedDialogs = nullptr;
    g_countedCapacity = 0;
  }
}

}  // namespace

bool CountDialogIn(HWND dialog) {
  if (FindCounted(dialog) >= 0) return false;
  // Without room to record it the dialog still counts in; it then never counts out, which
  // keeps the objects alive rather than deleting them under an open dialog.
  RememberCounted(dialog);
  InitSharedObjects();
  return true;
}

bool CountDialogOut(HWND dialog) {
  int index = FindCounted(dialog);
  if (index < 0) return false;
  ForgetCounted(index);
  FreeSharedObjects();
  return true;
}

void InitSharedObjects() {
  if (g_dialogCount++ != 0) return;
  g_hControlFont = CreateControlFont();
  g_hFaceBrush = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
  g_hGlyphBitmap = LoadBitmapA(g_hModule, kGlyphBitmapName);
}

// The handles are not cleared: they are made anew when the next dialog counts in.
void FreeSharedObjects() {
  if (g_dialogCount <= 0) return;
  if (--g_dialogCount != 0) return;
  if (g_hFaceBrush) DeleteObject(g_hFaceBrush);
  if (g_hControlFont) DeleteObject(g_hControlFont);
  if (g_hGlyphBitmap) DeleteObject(g_hGlyphBitmap);
}

HBRUSH FaceBrush() {
  if (g_dialogCount > 0 && g_hFaceBrush) return g_hFaceBrush;
  return GetSysColorBrush(COLOR_BTNFACE);
}

// The font named and sized by the profile's "Desktop" section, at the screen's resolution.
HFONT CreateControlFont() {
  int points = static_cast<int>(GetProfileIntA("Desktop", "StatusBarFaceHeight", 8));
  char face[50];
  GetProfileStringA("Desktop", "StatusBarFaceName", "MS Sans Serif", face, sizeof face);
  int pixelsPerInch = 96;
  {
    gdi::WindowDC screen(nullptr);
    if (screen.get()) pixelsPerInch = GetDeviceCaps(screen.get(), LOGPIXELSY);
  }
  return CreateFontA(ridgel::FontHeightForPoints(pixelsPerInch, points), 0, 0, 0, FW_NORMAL, FALSE,
                     FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                     DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS, face);
}
