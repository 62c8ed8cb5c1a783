// Path helpers shared by both programs.
#pragma once
#include "platform.h"

// The character after the last "\", ":" or "/" of a path (double-byte aware), or its start.
LPSTR PathNameStart(LPCSTR path);
// The character after the last backslash (byte by byte), or the path's start.
LPSTR PathAfterBackslash(LPCSTR path);
