// Windows bitmap files (".bmp", ".rle", ".dib") parsed from memory into a packed record.
#pragma once
#include <cstddef>

#include "platform.h"

// The packed record (LMEM_FIXED, owned by the caller) of a bitmap file held in memory, or
// null when the file is not a bitmap we can show. Info headers of 40, 108 and 124 bytes and
// the 12-byte core header are read; the record always has a 40-byte header (with the three
// masks after it for BI_BITFIELDS) and at most 256 table entries. Pixels come from
// bfOffBits when that lies at or after the end of the colour table and inside the file,
// else from right after the table; bytes the file lacks are zero.
BITMAPINFOHEADER* ParseBmpFile(const BYTE* data, size_t size);
