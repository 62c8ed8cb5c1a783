// Path helpers shared by both programs (see pathname.h).
#include "pathname.h"

#include <cstring>

static bool IsPathSeparator(char c) { return c == '\\' || c == ':' || c == '/'; }

LPSTR PathNameStart(LPCSTR path) {
  // Step back with CharPrevA so a trailing byte of a double-byte character is never taken
  // for a separator.
  LPCSTR p = path + std::strlen(path);
  while (p > path) {
    LPCSTR prev = CharPrevA(path, p);
    if (IsPathSeparator(*prev)) return CharNextA(prev);
    if (prev == p) break;
    p = prev;
  }
  return const_cast<LPSTR>(path);
}

LPSTR PathAfterBackslash(LPCSTR path) {
  LPCSTR after = path;
  for (LPCSTR p = path; *p; ++p)
    if (*p == '\\') after = p + 1;
  return const_cast<LPSTR>(after);
}
