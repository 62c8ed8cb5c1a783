// Windows bitmap files (".bmp", ".rle", ".dib") parsed from memory into a packed record.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform.h"

// The packed record (LMEM_FIXED, owned by the caller) of a bitmap file held in memory, or
// null when the file is not a bitmap we can show. Info headers of 40, 108 and 124 bytes and
// the 12-byte core header are read; the record always has a 40-byte header (with the three
// masks after it for BI_BITFIELDS) and at most 256 table entries. Pixels come from
// bfOffBits when that lies at or after the end of the colour table and inside the file,
// else from right after the table; bytes the file lacks are zero. A core-header file whose
// bfOffBits lies inside its colour table after at least one triple has a short table: the
// whole triples before bfOffBits, and its pixels from bfOffBits.
BITMAPINFOHEADER* ParseBmpFile(const BYTE* data, size_t size);

// Bytes at the start of a file that hold every header kind with its masks: what
// BmpBytesUsed must be given (or the whole file, when it is shorter).
constexpr size_t kBmpHeadBytes = 150;

// How many leading bytes of a file of `fileSize` bytes ParseBmpFile reads, found from its
// first kBmpHeadBytes: parsing just those gives the same record as parsing the whole file.
// A reader need not read a large file whole to refuse it or to find its rows.
uint64_t BmpBytesUsed(const BYTE* head, size_t headSize, uint64_t fileSize);
