// The drawing of the raised look: check boxes and radio buttons from the glyph bitmap with
// their caption beside the glyph, and group boxes as a raised one-pixel frame whose caption
// sits on the top line.
#include "ridgel.h"

#include "gdi_guard.h"
#include "geometry.h"

namespace {

ridgel::Box ToBox(const RECT& r) { return {int(r.left), int(r.top), int(r.right), int(r.bottom)}; }
RECT ToRect(const ridgel::Box& b) { return {b.left, b.top, b.right, b.bottom}; }

constexpr int kCaptionChars = 128;       // glyph buttons' caption buffer, terminator included
constexpr int kGroupCaptionLimit = 120;  // group box caption limit, terminator included

void DrawGlyphOn(HWND hwnd, HDC dc, int value, int flags) {
  LONG style = GetWindowLongA(hwnd, GWL_STYLE);
  ridgel::GlyphCell cell = ridgel::GlyphCellFor(style & 0x0F, value, (flags & kGlyphPressed) != 0);
  gdi::Selection font(dc, g_hControlFont);
  SetBkMode(dc, TRANSPARENT);
  RECT client;
  GetClientRect(hwnd, &client);
  ridgel::GlyphLayout layout = ridgel::LayoutGlyph(ToBox(client), (style & BS_LEFTTEXT) != 0);
  {
    gdi::MemoryDC glyphs(dc);
    gdi::Selection bitmap(glyphs.get(), g_hGlyphBitmap);
    if (glyphs.get()) {
      BitBlt(dc, layout.glyphX, layout.glyphY, ridgel::kGlyphSize, ridgel::kGlyphSize, glyphs.get(),
             ridgel::kGlyphSize * cell.column, ridgel::kGlyphSize * cell.row, SRCCOPY);
    }
  }
  char caption[kCaptionChars] = "";
  CallOldProc(hwnd, WM_GETTEXT, kCaptionChars, reinterpret_cast<LPARAM>(caption), g_propAtoms);
  caption[kCaptionChars - 1] = '\0';
  RECT text = ToRect(layout.text);
  // The caption is drawn again at every change of the glyph. Its area first gets the button
  // face the dialog erased it with, so that neither a caption changed since (a text change
  // does not repaint) nor smoothed text drawn over itself builds up there.
  RECT area = text;
  area.top = client.top;
  FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));
  DrawTextA(dc, caption, -1, &text, layout.format);
}

}  // namespace

// flags: kGlyphPressed for the pressed look, kGlyphForPaint inside WM_PAINT.
void DrawButtonGlyph(HWND hwnd, int value, int flags) {
  if (flags & kGlyphForPaint) {
    gdi::PaintDC dc(hwnd);
    if (dc.get()) DrawGlyphOn(hwnd, dc.get(), value, flags);
  } else {
    gdi::WindowDC dc(hwnd);
    if (dc.get()) DrawGlyphOn(hwnd, dc.get(), value, flags);
  }
}

// White left and top edges, button-shadow right and bottom edges, one pixel wide.
void DrawRaisedFrame(HDC dc, RECT r) {
  int w = r.right - r.left, h = r.bottom - r.top;
  PatBlt(dc, r.left, r.top, 1, h - 1, WHITENESS);
  PatBlt(dc, r.left, r.top, w - 1, 1, WHITENESS);
  gdi::OwnedObject shadow(CreateSolidBrush(GetSysColor(COLOR_BTNSHADOW)));
  gdi::Selection selected(dc, shadow.get());
  PatBlt(dc, r.right - 1, r.top, 1, h, PATCOPY);
  PatBlt(dc, r.left, r.bottom - 1, w, 1, PATCOPY);
}

// The caption is the text with one space on each side, drawn opaque on the button face so it
// covers the frame's top line behind it.
void PaintGroupBox(HWND hwnd) {
  gdi::PaintDC paint(hwnd);
  HDC dc = paint.get();
  if (!dc) return;
  char caption[kGroupCaptionLimit + 2] = "";
  LRESULT len = SendMessageA(hwnd, WM_GETTEXT, kGroupCaptionLimit,
                             reinterpret_cast<LPARAM>(caption + 1));
  if (len > 0) {
    if (len > kGroupCaptionLimit - 1) len = kGroupCaptionLimit - 1;
    caption[0] = ' ';
    caption[len + 1] = ' ';
    caption[len + 2] = '\0';
  } else {
    caption[0] = '\0';
  }
  RECT r;
  GetClientRect(hwnd, &r);
  r.top += 5;
  DrawRaisedFrame(dc, r);
  if (!caption[0]) return;
  gdi::Selection font(dc, g_hControlFont);
  SIZE yy = {0, 0};
  GetTextExtentPointA(dc, "Yy", 2, &yy);
  r.top += 1 - yy.cy / 2;
  r.left += yy.cx / 2;
  COLORREF oldBack = SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  DrawTextA(dc, caption, -1, &r, DT_SINGLELINE);
  SetBkColor(dc, oldBack);
}
