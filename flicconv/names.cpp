// File-name rules of the converter's dialogs.
#include <cstring>

#include "flic.h"

void AppendExtensionIfNone(char* name, size_t bufferBytes, const char* extension) {
  if (std::strchr(name, '.')) return;
  size_t have = std::strlen(name), add = std::strlen(extension);
  // A name that fills its buffer keeps its length rather than run past the end.
  if (have + add < bufferBytes) std::memcpy(name + have, extension, add + 1);
}
