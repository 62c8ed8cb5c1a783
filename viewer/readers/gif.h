// The GIF reader: the first image of a GIF file (87a, 89a or any other two-digit version),
// decoded by our own LZW decoder into an 8-bit packed DIB with a 256-entry colour table.
// The loader is pure and also runs natively; ReadGifFile (readers.h) finishes its record.
#pragma once
#include "platform.h"

// Statuses of ParseGif and GifDecodeImage (16-bit, negative for failure).
enum : short {
  GIF_DECODED = 0,           // decode pass: the block sequence ended or the image was decoded
  GIF_HEADER_FOUND = 1,      // header pass: the first image was found and its size stored
  GIF_OPEN_FAILED = -1,      // the file cannot be opened
  GIF_NO_MEMORY = -2,        // no memory for the line buffer
  GIF_BAD_SIGNATURE = -3,    // not "GIF", two digits and a letter
  GIF_NO_COLOR_TABLE = -4,   // neither a global table nor a local one for the first image
  GIF_TOO_LARGE = -5,        // the first image is wider or taller than kGifMaxSide
  GIF_NO_IMAGE = -6,         // the blocks ended before an image, or the image is empty
  GIF_FILE_CHANGED = -7,     // the decode pass found another image than the header pass
  GIF_BAD_CODE_SIZE = -20,   // minimum code size outside 2..9
};

const LONG kGifMaxSide = 2048;

// Loads the first image: the 8-bit record (header, 256 colours, rows zero-filled and then
// decoded) or null. Stores PaletteFromDib of the record in *palette once its colour table
// is complete; that palette stays in the slot (the caller's) even when decoding then fails.
BITMAPINFOHEADER* LoadGifDib(LPCSTR path, HPALETTE* palette);

// One pass over the file: header-only finds the first image and stores its size in
// g_readerState; otherwise decodes it into g_readerState's rows.
short ParseGif(LPCSTR path, bool headerOnly);

// LZW decoding of one image from the open file, delivering lines of lineWidth indices.
short GifDecodeImage(short lineWidth);

// The next code of the image data (least significant bit first), negative at its end.
short GifNextCode();

// Copies a line to the current row of the pixel rows and moves on through the interlace
// passes; rows past the image's last row are dropped.
short GifPutRow(const BYTE* line, int length);

// Module-wide state that outlives a load.
extern BYTE g_gifRed[256], g_gifGreen[256], g_gifBlue[256];  // file value >> 2
extern bool g_bGifInterlaced;
extern LONG g_gifRow;       // next image row to fill, 0 = top
extern LONG g_gifRowStep;   // 1 plain; -8 (first pass), 8, 4, 2 interlaced
extern DWORD g_gifBadCodes; // codes beyond the next free one, counted, never reported
