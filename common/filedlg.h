// The Open and Save dialog wrapper shared by both programs (Windows build only).
#pragma once
#include "platform.h"

// Bytes of the dialog's copy of the filter: a filter text must be at least two shorter (its
// list ends in two zero bytes). The viewer's lists every format it reads.
#ifdef XQV_CONVERTER
enum { kFilterBytes = 80 };
#else
enum { kFilterBytes = 512 };
#endif

// Runs the common Open (save == 0) or Save dialog. The filter is "|"-separated description
// and pattern fields, each ending in "|". On success the file buffer holds the full path and
// the directory buffer its folder without trailing separator; returns 1, or 0 when the
// dialog was cancelled or failed. Both buffers are 256 bytes. The Save dialog asks before
// an existing file is chosen; answering No returns to it.
int FileNameDialog(int save, LPSTR fileBuffer, LPSTR dirBuffer, LPCSTR title, LPCSTR filter,
                   HWND owner);

// Copies a "|"-separated filter into a buffer of the given size as the dialog's list of
// zero-terminated strings, cutting a text that does not fit so the list still ends in two
// zero bytes.
void ConvertFilter(LPCSTR filter, LPSTR buffer, size_t bufferSize);
