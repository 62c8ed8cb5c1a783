// Colour counts and palettes of packed DIB records (see dib.h).
#include "dib.h"

#include <cstdlib>

WORD DibColorCount(const BITMAPINFOHEADER* header) {
  if (header->biClrUsed) return static_cast<WORD>(header->biClrUsed & 0xFFFF);
  switch (header->biBitCount) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
  }
}

DWORD DibTableSize(const BITMAPINFOHEADER* header) {
  if (header->biClrUsed) return header->biClrUsed;
  if (header->biBitCount <= 8) return DWORD(1) << header->biBitCount;
  return 0;
}

size_t DibTableOffset(const BITMAPINFOHEADER* header) {
  return header->biSize + (header->biCompression == BI_BITFIELDS ? 12 : 0);
}

void FixedPaletteEntry(int i, BYTE* red, BYTE* green, BYTE* blue) {
  *red = static_cast<BYTE>(32 * (i % 8));
  *green = static_cast<BYTE>(32 * ((i / 8) % 8));
  *blue = static_cast<BYTE>(64 * (i / 64));
}

static LOGPALETTE* AllocLogPalette(unsigned entries) {
  size_t bytes = sizeof(LOGPALETTE) + entries * sizeof(PALETTEENTRY);
  auto* lp = static_cast<LOGPALETTE*>(std::calloc(1, bytes));
  if (lp) {
    lp->palVersion = 0x300;
    lp->palNumEntries = static_cast<WORD>(entries);
  }
  return lp;
}

// The one place where the two programs' palettes differ: which images without a colour
// table get the fixed palette (the converter's frames always have a table).
static bool UsesFixedPalette(const BITMAPINFOHEADER* dib) {
#ifdef XQV_CONVERTER
  return false;
#else
  return dib->biBitCount == 16 || dib->biBitCount == 24 || dib->biBitCount == 32;
#endif
}

HPALETTE PaletteFromDib(const BITMAPINFOHEADER* dib) {
  if (!dib || dib->biSize != 40) return nullptr;
  unsigned n = DibColorCount(dib);
  LOGPALETTE* lp = nullptr;
  if (n) {
    lp = AllocLogPalette(n);
    if (!lp) return nullptr;
    const RGBQUAD* table = DibColorTable(dib);
    for (unsigned i = 0; i < n; ++i) {
      lp->palPalEntry[i].peRed = table[i].rgbRed;
      lp->palPalEntry[i].peGreen = table[i].rgbGreen;
      lp->palPalEntry[i].peBlue = table[i].rgbBlue;
    }
  } else if (UsesFixedPalette(dib)) {
    lp = AllocLogPalette(256);
    if (!lp) return nullptr;
    for (int i = 0; i < 256; ++i)
      FixedPaletteEntry(i, &lp->palPalEntry[i].peRed, &lp->palPalEntry[i].peGreen,
                        &lp->palPalEntry[i].peBlue);
  } else {
#ifdef XQV_CONVERTER
    lp = AllocLogPalette(0);  // the converter hands the platform an empty palette
    if (!lp) return nullptr;
#else
    return nullptr;
#endif
  }
  HPALETTE palette = CreatePalette(lp);
  std::free(lp);
  return palette;
}
