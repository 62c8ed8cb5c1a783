/* probe.dll: a WH_GETMESSAGE hook that answers wctl's questions from inside the hooked
 * program (see probe.h). */
#include <windows.h>
#include <psapi.h>
#include <shlobj.h>

#include <stdio.h>
#include <string.h>

#include "probe.h"

/* The title log: every WM_SETTEXT the logged window receives, recorded by a call hook on
 * its thread. The module pins itself so the hook stays valid after wctl unhooks. */
#define LOG_ENTRIES 1024
static HWND g_logWindow;
static HHOOK g_logHook;
static int g_logCount;
static char g_log[LOG_ENTRIES][128];
static int g_armCount;
static WPARAM g_armCommand;

static LRESULT CALLBACK TitleLogHook(int code, WPARAM wp, LPARAM lp) {
  if (code == HC_ACTION) {
    const CWPSTRUCT* c = (const CWPSTRUCT*)lp;
    if (c->message == WM_SETTEXT && c->hwnd == g_logWindow && c->lParam &&
        g_logCount < LOG_ENTRIES) {
      lstrcpynA(g_log[g_logCount], (const char*)c->lParam, sizeof g_log[0]);
      ++g_logCount;
      if (g_armCount && g_logCount == g_armCount) {
        g_armCount = 0;
        PostMessageA(g_logWindow, WM_COMMAND, g_armCommand, 0);
      }
    }
  }
  return CallNextHookEx(g_logHook, code, wp, lp);
}

static long StartTitleLog(HWND hwnd) {
  g_logWindow = hwnd;
  g_logCount = 0;
  g_armCount = 0;
  if (!g_logHook) {
    HMODULE self = NULL;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       (LPCSTR)TitleLogHook, &self);
    g_logHook = SetWindowsHookExA(WH_CALLWNDPROC, TitleLogHook, self, GetCurrentThreadId());
  }
  return g_logHook != NULL;
}

/* Calls of AVIFileInit and AVIFileExit made by the program's own module, counted by pointing
 * the entries of its import table at counting wrappers. The module pins itself, as above. */
typedef void(WINAPI* VoidProc)(void);
static VoidProc g_realAviInit, g_realAviExit;
static volatile LONG g_aviInits, g_aviExits;

static void WINAPI CountedAviInit(void) {
  InterlockedIncrement(&g_aviInits);
  g_realAviInit();
}

static void WINAPI CountedAviExit(void) {
  InterlockedIncrement(&g_aviExits);
  g_realAviExit();
}

/* Replaces the module's import of dll!name by hook; the import's target goes to *real. */
static int PatchImport(HMODULE module, const char* dll, const char* name, VoidProc hook,
                       VoidProc* real) {
  BYTE* base = (BYTE*)module;
  IMAGE_NT_HEADERS* nt = (IMAGE_NT_HEADERS*)(base + ((IMAGE_DOS_HEADER*)base)->e_lfanew);
  IMAGE_DATA_DIRECTORY dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  IMAGE_IMPORT_DESCRIPTOR* d;
  if (!dir.VirtualAddress) return 0;
  for (d = (IMAGE_IMPORT_DESCRIPTOR*)(base + dir.VirtualAddress); d->Name; ++d) {
    IMAGE_THUNK_DATA *names, *slots;
    if (lstrcmpiA((const char*)(base + d->Name), dll) || !d->OriginalFirstThunk) continue;
    names = (IMAGE_THUNK_DATA*)(base + d->OriginalFirstThunk);
    slots = (IMAGE_THUNK_DATA*)(base + d->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots) {
      DWORD old;
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal) ||
          strcmp((const char*)((IMAGE_IMPORT_BY_NAME*)(base + names->u1.AddressOfData))->Name,
                 name))
        continue;
      if (!VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &old))
        return 0;
      if ((VoidProc)slots->u1.Function != hook) {
        *real = (VoidProc)slots->u1.Function;
        slots->u1.Function = (ULONG_PTR)hook;
      }
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
      return 1;
    }
  }
  return 0;
}

static long CountAviCalls(void) {
  HMODULE self = NULL, program = GetModuleHandleA(NULL);
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                     (LPCSTR)CountedAviInit, &self);
  g_aviInits = g_aviExits = 0;
  return PatchImport(program, "avifil32.dll", "AVIFileInit", CountedAviInit, &g_realAviInit) &&
         PatchImport(program, "avifil32.dll", "AVIFileExit", CountedAviExit, &g_realAviExit);
}

/* The HDROP Explorer would post for the paths listed (UTF-8, one a line) in the file the
 * global atom names: a DROPFILES header and the wide names, each ended by a NUL, then one more
 * NUL. Posted to the window, which owns it from then on (DragFinish frees it). */
static long DropFiles(HWND hwnd, ATOM atom) {
  char listPath[MAX_PATH], text[16384];
  WCHAR wide[16384];
  DWORD got = 0;
  int n, i, count = 0, start = 0, used = 0;
  HANDLE file;
  HGLOBAL drop;
  DROPFILES* header;
  if (!GlobalGetAtomNameA(atom, listPath, sizeof listPath)) return -1;
  file = CreateFileA(listPath, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
  if (file == INVALID_HANDLE_VALUE) return -1;
  ReadFile(file, text, sizeof text - 1, &got, NULL);
  CloseHandle(file);
  n = MultiByteToWideChar(CP_UTF8, 0, text, (int)got, wide, 16383);
  /* Lines become NUL-ended names, one after the other; empty lines and carriage returns go. */
  for (i = 0; i <= n; ++i) {
    int length;
    if (i < n && wide[i] != L'\n') continue;
    wide[i] = 0;
    if (i > start && wide[i - 1] == L'\r') wide[i - 1] = 0;
    length = lstrlenW(wide + start);
    if (length > 0) {
      memmove(wide + used, wide + start, (size_t)(length + 1) * sizeof(WCHAR));
      used += length + 1;
      ++count;
    }
    start = i + 1;
  }
  drop = GlobalAlloc(GHND, sizeof(DROPFILES) + (size_t)(used + 1) * sizeof(WCHAR));
  if (!drop) return -1;
  header = (DROPFILES*)GlobalLock(drop);
  header->pFiles = sizeof(DROPFILES);
  header->fWide = TRUE;
  memcpy(header + 1, wide, (size_t)used * sizeof(WCHAR)); /* the final NUL: GHND zeroed it */
  GlobalUnlock(drop);
  if (!PostMessageA(hwnd, WM_DROPFILES, (WPARAM)drop, 0)) {
    GlobalFree(drop);
    return -1;
  }
  return count;
}

static HMENU MenuOf(HWND hwnd, int popup) {
  HMENU bar = GetMenu(hwnd);
  if (popup == 0xFFFF) return bar;
  return bar ? GetSubMenu(bar, popup) : NULL;
}

/* Writes the bitmap's pixels, as GetDIBits gives them at 24 bits, to a file in the temporary
 * folder; its path goes into `path`. */
static int SaveBitmap(HBITMAP bitmap, char* path, size_t size) {
  BITMAP bm;
  BITMAPINFOHEADER bi;
  BITMAPFILEHEADER bf;
  char dir[MAX_PATH];
  HDC dc;
  BYTE* bits;
  DWORD stride, bytes, written;
  HANDLE file;
  int ok;
  static int serial;
  if (GetObjectA(bitmap, sizeof bm, &bm) != sizeof bm) return 0;
  stride = ((DWORD)bm.bmWidth * 3 + 3) & ~3u;
  bytes = stride * (DWORD)bm.bmHeight;
  bits = (BYTE*)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes ? bytes : 1);
  if (!bits) return 0;
  memset(&bi, 0, sizeof bi);
  bi.biSize = sizeof bi;
  bi.biWidth = bm.bmWidth;
  bi.biHeight = bm.bmHeight;
  bi.biPlanes = 1;
  bi.biBitCount = 24;
  bi.biSizeImage = bytes;
  dc = GetDC(NULL);
  ok = GetDIBits(dc, bitmap, 0, (UINT)bm.bmHeight, bits, (BITMAPINFO*)&bi, DIB_RGB_COLORS) ==
       bm.bmHeight;
  ReleaseDC(NULL, dc);
  GetTempPathA(sizeof dir, dir);
  snprintf(path, size, "%sxqv-probe-%lu-%d.bmp", dir, (unsigned long)GetCurrentProcessId(),
           ++serial);
  memset(&bf, 0, sizeof bf);
  bf.bfType = 0x4D42;
  bf.bfOffBits = sizeof bf + sizeof bi;
  bf.bfSize = bf.bfOffBits + bytes;
  file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) ok = 0;
  if (ok) {
    ok = WriteFile(file, &bf, sizeof bf, &written, NULL) &&
         WriteFile(file, &bi, sizeof bi, &written, NULL) &&
         WriteFile(file, bits, bytes, &written, NULL);
  }
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  HeapFree(GetProcessHeap(), 0, bits);
  return ok;
}

static void Answer(HWND hwnd, WPARAM question, LPARAM arg, ProbeReply* r) {
  switch (question) {
    case PROBE_MENU_STATE: {
      HMENU bar = GetMenu(hwnd);
      r->result = (long)GetMenuState(bar, (UINT)arg, MF_BYCOMMAND);
      GetMenuStringA(bar, (UINT)arg, r->text, sizeof r->text, MF_BYCOMMAND);
      break;
    }
    case PROBE_OBJECT_TYPE:
      r->result = (long)GetObjectType((HGDIOBJ)arg);
      break;
    case PROBE_MEMORY: {
      PROCESS_MEMORY_COUNTERS pmc;
      memset(&pmc, 0, sizeof pmc);
      pmc.cb = sizeof pmc;
      GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
      r->result = (long)(pmc.PagefileUsage / 1024);
      snprintf(r->text, sizeof r->text, "%lu", (unsigned long)(pmc.WorkingSetSize / 1024));
      break;
    }
    case PROBE_MENU_ITEM: {
      HMENU menu = MenuOf(hwnd, (int)((DWORD)arg >> 16));
      UINT pos = (UINT)(arg & 0xFFFF);
      char text[200] = "";
      UINT state = menu ? GetMenuState(menu, pos, MF_BYPOSITION) : 0xFFFFFFFF;
      if (menu) GetMenuStringA(menu, pos, text, sizeof text, MF_BYPOSITION);
      r->result = menu ? (long)(int)GetMenuItemID(menu, (int)pos) : -2;
      snprintf(r->text, sizeof r->text, "%u\t%s", state, text);
      break;
    }
    case PROBE_MENU_COUNT: {
      HMENU menu = MenuOf(hwnd, (int)arg);
      r->result = menu ? GetMenuItemCount(menu) : -1;
      break;
    }
    case PROBE_FOCUS:
      r->result = (long)(ULONG_PTR)GetFocus();
      break;
    case PROBE_ACTIVE:
      r->result = (long)(ULONG_PTR)GetActiveWindow();
      break;
    case PROBE_WINDOW_LONG:
      r->result = GetWindowLongA(hwnd, (int)arg);
      break;
    case PROBE_BITMAP_INFO: {
      BITMAP bm;
      r->result = GetObjectA((HGDIOBJ)arg, sizeof bm, &bm) == sizeof bm;
      if (r->result)
        snprintf(r->text, sizeof r->text, "%ld %ld %u", (long)bm.bmWidth, (long)bm.bmHeight,
                 (unsigned)bm.bmBitsPixel);
      break;
    }
    case PROBE_BITMAP_SAVE:
      r->result = SaveBitmap((HBITMAP)arg, r->text, sizeof r->text);
      break;
    case PROBE_PALETTE_SIZE: {
      WORD entries = 0;
      r->result = GetObjectA((HGDIOBJ)arg, sizeof entries, &entries) ? entries : 0;
      break;
    }
    case PROBE_TITLE_LOG:
      r->result = StartTitleLog(hwnd);
      break;
    case PROBE_TITLE_ARM:
      g_armCommand = (WPARAM)(arg & 0xFFFF);
      g_armCount = (int)((DWORD)arg >> 16);
      r->result = g_logHook != NULL && hwnd == g_logWindow;
      break;
    case PROBE_SCROLL: {
      int lo = 0, hi = 0;
      GetScrollRange(hwnd, (int)arg, &lo, &hi);
      r->result = GetScrollPos(hwnd, (int)arg);
      snprintf(r->text, sizeof r->text, "%d %d", lo, hi);
      break;
    }
    case PROBE_TITLE_ENTRY:
      r->result = g_logCount;
      if (arg >= 0 && arg < g_logCount) lstrcpynA(r->text, g_log[arg], sizeof r->text);
      break;
    case PROBE_AVI_CALLS:
      if (arg) {
        r->result = CountAviCalls();
      } else {
        r->result = g_aviInits;
        snprintf(r->text, sizeof r->text, "%ld", (long)g_aviExits);
      }
      break;
    case PROBE_DROP_FILES:
      r->result = DropFiles(hwnd, (ATOM)arg);
      break;
    default:
      r->result = -1;
      strcpy(r->text, "unknown question");
  }
}

__declspec(dllexport) LRESULT CALLBACK ProbeHook(int code, WPARAM wp, LPARAM lp) {
  static UINT question;
  MSG* msg = (MSG*)lp;
  if (!question) question = RegisterWindowMessageA(PROBE_MESSAGE_NAME);
  if (code == HC_ACTION && wp == PM_REMOVE && msg->message == question) {
    ProbeReply reply;
    COPYDATASTRUCT cds;
    HWND to = FindWindowExA(HWND_MESSAGE, NULL, PROBE_REPLY_CLASS, NULL);
    memset(&reply, 0, sizeof reply);
    Answer(msg->hwnd, msg->wParam, msg->lParam, &reply);
    cds.dwData = PROBE_REPLY_MAGIC;
    cds.cbData = sizeof reply;
    cds.lpData = &reply;
    if (to) SendMessageA(to, WM_COPYDATA, 0, (LPARAM)&cds);
    msg->message = WM_NULL; /* the program itself never sees the question */
  }
  return CallNextHookEx(NULL, code, wp, lp);
}
