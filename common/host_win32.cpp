// Native stand-ins for the local heap, palettes and character stepping (see host_win32.h).
#include "host_win32.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace {
struct HostPalette {
  UINT count;
  PALETTEENTRY entries[1];
};
int g_livePalettes = 0;
int g_allocsBeforeFailure = -1;
}  // namespace

HLOCAL LocalAlloc(UINT flags, size_t bytes) {
  if (g_allocsBeforeFailure == 0) return nullptr;
  if (g_allocsBeforeFailure > 0) --g_allocsBeforeFailure;
  void* p = (flags & LMEM_ZEROINIT) ? std::calloc(1, bytes ? bytes : 1) : std::malloc(bytes ? bytes : 1);
  return p;
}

HLOCAL LocalFree(HLOCAL block) {
  std::free(block);
  return nullptr;
}

HPALETTE CreatePalette(const LOGPALETTE* logPalette) {
  if (!logPalette || logPalette->palVersion != 0x300) return nullptr;
  UINT n = logPalette->palNumEntries;
  auto* pal = static_cast<HostPalette*>(
      std::calloc(1, sizeof(HostPalette) + (n ? n : 1) * sizeof(PALETTEENTRY)));
  if (!pal) return nullptr;
  pal->count = n;
  if (n) std::memcpy(pal->entries, logPalette->palPalEntry, n * sizeof(PALETTEENTRY));
  ++g_livePalettes;
  return reinterpret_cast<HPALETTE>(pal);
}

UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries) {
  auto* pal = reinterpret_cast<HostPalette*>(palette);
  if (!pal) return 0;
  if (!entries) return pal->count;
  if (start >= pal->count) return 0;
  if (count > pal->count - start) count = pal->count - start;
  std::memcpy(entries, pal->entries + start, count * sizeof(PALETTEENTRY));
  return count;
}

BOOL DeleteObject(HGDIOBJ object) {
  if (!object) return FALSE;
  std::free(object);
  --g_livePalettes;
  return TRUE;
}

LPSTR CharPrevA(LPCSTR start, LPCSTR current) {
  return const_cast<LPSTR>(current > start ? current - 1 : start);
}

LPSTR CharNextA(LPCSTR current) {
  return const_cast<LPSTR>(*current ? current + 1 : current);
}

int HostLivePaletteCount() { return g_livePalettes; }
void HostFailLocalAllocAfter(int successfulCalls) { g_allocsBeforeFailure = successfulCalls; }
