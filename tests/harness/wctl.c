/* The test harness's hands inside Wine: a console program that reads one command a line on
 * standard input and answers one line (or a block ending in "end") on standard output. It
 * finds and waits for windows, sends them messages, fills and confirms common dialogs,
 * captures screen areas to BMP files, presses keys and the mouse, and asks questions inside
 * another process through probe.dll. Fields are separated by tabs; every wait has a time-out.
 */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "probe.h"

#define MAX_FIELDS 16
#define POLL_MS 15

static HWND g_replyWindow;
static ProbeReply g_lastReply;
static volatile LONG g_replyArrived;

static void Reply(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  vfprintf(stdout, fmt, ap);
  va_end(ap);
  fputc('\n', stdout);
  fflush(stdout);
}

static unsigned long Num(const char* s) { return strtoul(s, NULL, 0); }
/* Signed or unsigned 32-bit values alike (a handle, a packed pair or -1). */
static long SNum(const char* s) { return (long)(unsigned long)strtoll(s, NULL, 0); }

/* Lets this thread's own windows (the probe reply window) see their messages while waiting. */
static void PumpOwn(void) {
  MSG msg;
  while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

static void Pause(void) {
  PumpOwn();
  Sleep(POLL_MS);
}

/* ---- window search ---- */

typedef struct {
  const char* cls;   /* exact class name, or NULL */
  const char* title; /* exact title; "~text" matches a substring; NULL: any */
  HWND owner;        /* required owner, or NULL */
  DWORD pid;         /* required process id, or 0 */
  int visibleOnly;
  HWND found;
} WindowQuery;

static int TitleMatches(const char* want, const char* have) {
  if (!want) return 1;
  if (want[0] == '~') return strstr(have, want + 1) != NULL;
  return strcmp(want, have) == 0;
}

static BOOL CALLBACK FindProc(HWND hwnd, LPARAM lp) {
  WindowQuery* query = (WindowQuery*)lp;
  char cls[256], title[512];
  DWORD pid = 0;
  if (query->visibleOnly && !IsWindowVisible(hwnd)) return TRUE;
  if (query->owner && GetWindow(hwnd, GW_OWNER) != query->owner) return TRUE;
  GetWindowThreadProcessId(hwnd, &pid);
  if (query->pid && pid != query->pid) return TRUE;
  GetClassNameA(hwnd, cls, sizeof cls);
  if (query->cls && strcmp(query->cls, cls) != 0) return TRUE;
  GetWindowTextA(hwnd, title, sizeof title);
  if (!TitleMatches(query->title, title)) return TRUE;
  query->found = hwnd;
  return FALSE;
}

/* find key=value...: class, title, owner, pid, visible (default 1), timeout (ms). */
static void CmdFind(int n, char** f) {
  WindowQuery query;
  DWORD timeout = 5000, start;
  int i;
  memset(&query, 0, sizeof query);
  query.visibleOnly = 1;
  for (i = 1; i < n; ++i) {
    char* eq = strchr(f[i], '=');
    if (!eq) continue;
    *eq++ = 0;
    if (!strcmp(f[i], "class")) query.cls = eq;
    else if (!strcmp(f[i], "title")) query.title = eq;
    else if (!strcmp(f[i], "owner")) query.owner = (HWND)(ULONG_PTR)Num(eq);
    else if (!strcmp(f[i], "pid")) query.pid = Num(eq);
    else if (!strcmp(f[i], "visible")) query.visibleOnly = atoi(eq);
    else if (!strcmp(f[i], "timeout")) timeout = Num(eq);
  }
  start = GetTickCount();
  for (;;) {
    query.found = NULL;
    EnumWindows(FindProc, (LPARAM)&query);
    if (query.found) {
      Reply("ok\t%lu", (unsigned long)(ULONG_PTR)query.found);
      return;
    }
    if (GetTickCount() - start >= timeout) break;
    Pause();
  }
  Reply("err\ttimeout");
}

static void CmdWaitGone(int n, char** f) {
  HWND hwnd = (HWND)(ULONG_PTR)Num(f[1]);
  DWORD timeout = n > 2 ? Num(f[2]) : 5000, start = GetTickCount();
  while (IsWindow(hwnd)) {
    if (GetTickCount() - start >= timeout) {
      Reply("err\ttimeout");
      return;
    }
    Pause();
  }
  Reply("ok");
}

/* waittitle hwnd title timeout: the title equals (or, with "~", contains) the text. */
static void CmdWaitTitle(int n, char** f) {
  HWND hwnd = (HWND)(ULONG_PTR)Num(f[1]);
  DWORD timeout = n > 3 ? Num(f[3]) : 5000, start = GetTickCount();
  char title[512];
  for (;;) {
    title[0] = 0;
    GetWindowTextA(hwnd, title, sizeof title);
    if (TitleMatches(f[2], title)) {
      Reply("ok\t%s", title);
      return;
    }
    if (!IsWindow(hwnd) || GetTickCount() - start >= timeout) break;
    Pause();
  }
  Reply("err\ttimeout\t%s", title);
}

static void PrintWindowLine(const char* tag, HWND hwnd) {
  char cls[256] = "", title[512] = "";
  RECT wr, cr;
  POINT org = {0, 0};
  DWORD pid = 0;
  GetClassNameA(hwnd, cls, sizeof cls);
  GetWindowTextA(hwnd, title, sizeof title);
  GetWindowRect(hwnd, &wr);
  GetClientRect(hwnd, &cr);
  ClientToScreen(hwnd, &org);
  GetWindowThreadProcessId(hwnd, &pid);
  Reply("%s\t%lu\t%s\t%ld\t0x%lx\t0x%lx\t%ld,%ld,%ld,%ld\t%ld,%ld,%ld,%ld\t%lu\t%lu\t%d%d%d\t%lu\t%s",
        tag, (unsigned long)(ULONG_PTR)hwnd, cls, (long)GetWindowLongA(hwnd, GWL_ID),
        (unsigned long)GetWindowLongA(hwnd, GWL_STYLE),
        (unsigned long)GetWindowLongA(hwnd, GWL_EXSTYLE), wr.left, wr.top, wr.right, wr.bottom,
        org.x, org.y, org.x + cr.right, org.y + cr.bottom,
        (unsigned long)(ULONG_PTR)GetParent(hwnd),
        (unsigned long)(ULONG_PTR)GetWindow(hwnd, GW_OWNER), IsWindowVisible(hwnd) ? 1 : 0,
        IsIconic(hwnd) ? 1 : 0, IsZoomed(hwnd) ? 1 : 0, (unsigned long)pid, title);
}

/* info hwnd: "ok" then the window's line:
 * hwnd class id style exstyle window-rect client-rect(screen) parent owner flags(vis,icon,zoom)
 * pid title */
static void CmdInfo(int n, char** f) {
  HWND hwnd = (HWND)(ULONG_PTR)Num(f[1]);
  if (!IsWindow(hwnd)) {
    Reply("err\tno window");
    return;
  }
  PrintWindowLine("ok", hwnd);
}

/* children hwnd: one "child" line per direct child in z-order, then "end". */
static void CmdChildren(int n, char** f) {
  HWND parent = (HWND)(ULONG_PTR)Num(f[1]);
  HWND c;
  for (c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
    PrintWindowLine("child", c);
  Reply("end");
}

/* windows: every top-level window, as "child" lines, then "end". */
static BOOL CALLBACK ListProc(HWND hwnd, LPARAM lp) {
  PrintWindowLine("child", hwnd);
  return TRUE;
}
static void CmdWindows(int n, char** f) {
  EnumWindows(ListProc, 0);
  Reply("end");
}

static void CmdSend(int n, char** f) {
  DWORD_PTR result = 0;
  HWND hwnd = (HWND)(ULONG_PTR)Num(f[1]);
  UINT msg = (UINT)Num(f[2]);
  WPARAM wp = n > 3 ? (WPARAM)SNum(f[3]) : 0;
  LPARAM lp = n > 4 ? (LPARAM)SNum(f[4]) : 0;
  DWORD timeout = n > 5 ? Num(f[5]) : 10000;
  if (!SendMessageTimeoutA(hwnd, msg, wp, lp, SMTO_NORMAL, timeout, &result)) {
    Reply("err\tsend failed or timed out");
    return;
  }
  Reply("ok\t%ld", (long)result);
}

static void CmdPost(int n, char** f) {
  HWND hwnd = (HWND)(ULONG_PTR)Num(f[1]);
  UINT msg = (UINT)Num(f[2]);
  WPARAM wp = n > 3 ? (WPARAM)SNum(f[3]) : 0;
  LPARAM lp = n > 4 ? (LPARAM)SNum(f[4]) : 0;
  Reply(PostMessageA(hwnd, msg, wp, lp) ? "ok" : "err\tpost failed");
}

static void CmdSetText(int n, char** f) {
  HWND hwnd = (HWND)(ULONG_PTR)Num(f[1]);
  DWORD_PTR result = 0;
  SendMessageTimeoutA(hwnd, WM_SETTEXT, 0, (LPARAM)(n > 2 ? f[2] : ""), SMTO_NORMAL, 10000,
                      &result);
  Reply("ok");
}

static void CmdGetText(int n, char** f) {
  HWND hwnd = (HWND)(ULONG_PTR)Num(f[1]);
  char text[1024] = "";
  DWORD_PTR result = 0;
  SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof text, (LPARAM)text, SMTO_NORMAL, 10000, &result);
  Reply("ok\t%s", text);
}

static void CmdItem(int n, char** f) {
  HWND dlg = (HWND)(ULONG_PTR)Num(f[1]);
  HWND item = GetDlgItem(dlg, (int)SNum(f[2]));
  if (!item) Reply("err\tno item");
  else Reply("ok\t%lu", (unsigned long)(ULONG_PTR)item);
}

/* filedlg hwnd path: types the path into a common Open/Save dialog's file-name field and
 * presses its OK button, as a user would. */
static void CmdFileDialog(int n, char** f) {
  HWND dlg = (HWND)(ULONG_PTR)Num(f[1]);
  const char* path = n > 2 ? f[2] : "";
  HWND field = GetDlgItem(dlg, 0x47c); /* file-name combo box of the Explorer-style dialog */
  HWND ok = GetDlgItem(dlg, IDOK);
  DWORD_PTR result = 0;
  if (!field) field = GetDlgItem(dlg, 0x480); /* the plain edit field */
  if (!field || !ok) {
    Reply("err\tnot a file dialog");
    return;
  }
  SendMessageTimeoutA(field, WM_SETTEXT, 0, (LPARAM)path, SMTO_NORMAL, 10000, &result);
  PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)ok);
  Reply("ok");
}

/* cbitems hwnd: the texts of a combo box's list, one "item" line each, then "end". The
 * texts are asked for in UTF-16, which every combo box answers across processes. */
static void CmdComboItems(int n, char** f) {
  HWND combo = (HWND)(ULONG_PTR)Num(f[1]);
  DWORD_PTR count = 0, i;
  SendMessageTimeoutW(combo, CB_GETCOUNT, 0, 0, SMTO_NORMAL, 10000, &count);
  for (i = 0; i < count && (LONG)count > 0; ++i) {
    WCHAR wide[512];
    char text[1024] = "";
    DWORD_PTR len = 0;
    wide[0] = 0;
    SendMessageTimeoutW(combo, CB_GETLBTEXTLEN, i, 0, SMTO_NORMAL, 10000, &len);
    if (len < sizeof wide / sizeof wide[0])
      SendMessageTimeoutW(combo, CB_GETLBTEXT, i, (LPARAM)wide, SMTO_NORMAL, 10000, &len);
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, NULL, NULL);
    Reply("item\t%lu\t%s", (unsigned long)i, text);
  }
  Reply("end");
}

/* cbselect dialog id index: selects a combo box item and tells the dialog, as a user's
 * choice in the list would. */
static void CmdComboSelect(int n, char** f) {
  HWND dlg = (HWND)(ULONG_PTR)Num(f[1]);
  int id = (int)SNum(f[2]);
  HWND combo = GetDlgItem(dlg, id);
  DWORD_PTR result = 0;
  if (!combo) {
    Reply("err\tno item");
    return;
  }
  SendMessageTimeoutA(combo, CB_SETCURSEL, (WPARAM)SNum(f[3]), 0, SMTO_NORMAL, 10000, &result);
  SendMessageTimeoutA(dlg, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), (LPARAM)combo, SMTO_NORMAL,
                      10000, &result);
  Reply("ok");
}

/* click hwnd id: presses a dialog button by posting its click notification. */
static void CmdClick(int n, char** f) {
  HWND dlg = (HWND)(ULONG_PTR)Num(f[1]);
  int id = (int)SNum(f[2]);
  HWND button = GetDlgItem(dlg, id);
  Reply(PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)button)
            ? "ok"
            : "err\tpost failed");
}

/* ---- real input ---- */

static void SendKey(WORD vk, int up) {
  INPUT in;
  memset(&in, 0, sizeof in);
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &in, sizeof in);
}

/* keys vk...: presses and releases each virtual key in turn ("+vk" holds it down, "-vk"
 * releases it). */
static void CmdKeys(int n, char** f) {
  int i;
  for (i = 1; i < n; ++i) {
    if (f[i][0] == '+') SendKey((WORD)Num(f[i] + 1), 0);
    else if (f[i][0] == '-') SendKey((WORD)Num(f[i] + 1), 1);
    else {
      SendKey((WORD)Num(f[i]), 0);
      SendKey((WORD)Num(f[i]), 1);
    }
  }
  Reply("ok");
}

static void CmdForeground(int n, char** f) {
  HWND hwnd = (HWND)(ULONG_PTR)Num(f[1]);
  SetForegroundWindow(hwnd);
  Reply(GetForegroundWindow() == hwnd ? "ok" : "err\tnot foreground");
}

/* getforeground: the foreground window (0 when there is none). */
static void CmdGetForeground(int n, char** f) {
  Reply("ok\t%lu", (unsigned long)(ULONG_PTR)GetForegroundWindow());
}

/* show hwnd cmd: ShowWindow with that show command (SW_HIDE 0, SW_SHOW 5, ...). */
static void CmdShow(int n, char** f) {
  HWND hwnd = (HWND)(ULONG_PTR)Num(f[1]);
  ShowWindow(hwnd, (int)SNum(f[2]));
  Reply("ok");
}

/* move hwnd x y w h: SetWindowPos to that place and size, keeping the z-order and
 * activation. */
static void CmdMove(int n, char** f) {
  HWND hwnd = (HWND)(ULONG_PTR)Num(f[1]);
  Reply(SetWindowPos(hwnd, NULL, (int)SNum(f[2]), (int)SNum(f[3]), (int)SNum(f[4]),
                     (int)SNum(f[5]), SWP_NOZORDER | SWP_NOACTIVATE)
            ? "ok"
            : "err\tmove");
}

/* redraw hwnd: invalidates and erases the whole window, so it paints itself afresh. */
static void CmdRedraw(int n, char** f) {
  HWND hwnd = (HWND)(ULONG_PTR)Num(f[1]);
  Reply(RedrawWindow(hwnd, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME) ? "ok"
                                                                                : "err\tredraw");
}

/* hold path: opens (creating if need be) a file without sharing and keeps it open, as a
 * program using the file would; "hold" without a path closes it again. */
static HANDLE g_heldFile = INVALID_HANDLE_VALUE;
static void CmdHold(int n, char** f) {
  if (g_heldFile != INVALID_HANDLE_VALUE) CloseHandle(g_heldFile);
  g_heldFile = INVALID_HANDLE_VALUE;
  if (n > 1 && f[1][0]) {
    g_heldFile = CreateFileA(f[1], GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, NULL);
    if (g_heldFile == INVALID_HANDLE_VALUE) {
      Reply("err\topen failed %lu", (unsigned long)GetLastError());
      return;
    }
  }
  Reply("ok");
}

/* shortpath path: the short (8.3) form of an existing file's path, as GetShortPathNameA
 * gives it. */
static void CmdShortPath(int n, char** f) {
  char path[MAX_PATH];
  DWORD len = GetShortPathNameA(f[1], path, sizeof path);
  if (len == 0 || len >= sizeof path)
    Reply("err\tno short name %lu", (unsigned long)GetLastError());
  else
    Reply("ok\t%s", path);
}

/* metric index: GetSystemMetrics(index) as this session's programs see it. */
static void CmdMetric(int n, char** f) {
  Reply("ok\t%d", GetSystemMetrics((int)SNum(f[1])));
}

/* mouse x y [down|up|click|move]: real pointer input at screen coordinates. */
static void CmdMouse(int n, char** f) {
  INPUT in;
  const char* what = n > 3 ? f[3] : "click";
  memset(&in, 0, sizeof in);
  in.type = INPUT_MOUSE;
  in.mi.dx = (LONG)(SNum(f[1]) * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1));
  in.mi.dy = (LONG)(SNum(f[2]) * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1));
  in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &in, sizeof in);
  if (!strcmp(what, "down") || !strcmp(what, "click")) {
    in.mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &in, sizeof in);
  }
  if (!strcmp(what, "up") || !strcmp(what, "click")) {
    in.mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &in, sizeof in);
  }
  Reply("ok");
}

/* ---- screen capture ---- */

static int SaveBmp24(const char* path, HDC src, int x, int y, int w, int h) {
  BITMAPINFO bi;
  BITMAPFILEHEADER fh;
  void* bits = NULL;
  HDC mem;
  HBITMAP dib, old;
  FILE* out;
  DWORD stride = ((DWORD)w * 3 + 3) & ~3u, size = stride * (DWORD)h;
  int okay;
  memset(&bi, 0, sizeof bi);
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  mem = CreateCompatibleDC(src);
  dib = CreateDIBSection(src, &bi, DIB_RGB_COLORS, &bits, NULL, 0);
  if (!mem || !dib) {
    if (mem) DeleteDC(mem);
    if (dib) DeleteObject(dib);
    return 0;
  }
  old = (HBITMAP)SelectObject(mem, dib);
  okay = BitBlt(mem, 0, 0, w, h, src, x, y, SRCCOPY);
  GdiFlush();
  out = fopen(path, "wb");
  if (out) {
    memset(&fh, 0, sizeof fh);
    fh.bfType = 0x4d42;
    fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
    fh.bfSize = fh.bfOffBits + size;
    fwrite(&fh, sizeof fh, 1, out);
    fwrite(&bi.bmiHeader, sizeof bi.bmiHeader, 1, out);
    fwrite(bits, 1, size, out);
    okay = okay && fclose(out) == 0;
  } else {
    okay = 0;
  }
  SelectObject(mem, old);
  DeleteObject(dib);
  DeleteDC(mem);
  return okay;
}

/* capture path x y w h: the screen area (screen coordinates) as a 24-bit BMP. */
static void CmdCapture(int n, char** f) {
  HDC screen = GetDC(NULL);
  int okay = SaveBmp24(f[1], screen, (int)SNum(f[2]), (int)SNum(f[3]), (int)SNum(f[4]),
                       (int)SNum(f[5]));
  ReleaseDC(NULL, screen);
  Reply(okay ? "ok" : "err\tcapture failed");
}

/* ---- questions asked inside another process ---- */

static LRESULT CALLBACK ReplyWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_COPYDATA) {
    COPYDATASTRUCT* cds = (COPYDATASTRUCT*)lp;
    if (cds->dwData == PROBE_REPLY_MAGIC && cds->cbData == sizeof g_lastReply) {
      memcpy(&g_lastReply, cds->lpData, sizeof g_lastReply);
      g_replyArrived = 1;
    }
    return TRUE;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

static HMODULE g_probeModule;
static HOOKPROC g_probeHook;

/* probe hwnd query arg [text]: posts a question to the window's thread, whose message hook
 * (probe.dll, loaded into that process by the hook) answers it from inside. */
static void CmdProbe(int n, char** f) {
  HWND hwnd = (HWND)(ULONG_PTR)Num(f[1]);
  DWORD tid = GetWindowThreadProcessId(hwnd, NULL);
  DWORD timeout = n > 4 ? Num(f[4]) : 10000;
  HHOOK hook;
  DWORD start;
  if (!g_probeModule) {
    g_probeModule = LoadLibraryA("probe.dll");
    if (g_probeModule) g_probeHook = (HOOKPROC)GetProcAddress(g_probeModule, "ProbeHook@12");
    if (!g_probeHook && g_probeModule)
      g_probeHook = (HOOKPROC)GetProcAddress(g_probeModule, "ProbeHook");
  }
  if (!g_probeHook || !tid) {
    Reply("err\tno probe");
    return;
  }
  hook = SetWindowsHookExA(WH_GETMESSAGE, g_probeHook, g_probeModule, tid);
  if (!hook) {
    Reply("err\thook failed");
    return;
  }
  g_replyArrived = 0;
  PostMessageA(hwnd, RegisterWindowMessageA(PROBE_MESSAGE_NAME), (WPARAM)Num(f[2]),
               (LPARAM)(n > 3 ? SNum(f[3]) : 0));
  start = GetTickCount();
  while (!g_replyArrived && GetTickCount() - start < timeout) Pause();
  UnhookWindowsHookEx(hook);
  if (!g_replyArrived) Reply("err\ttimeout");
  else Reply("ok\t%ld\t%s", (long)g_lastReply.result, g_lastReply.text);
}

/* drop hwnd listfile: the window's process is posted WM_DROPFILES for the paths listed in the
 * file (UTF-8, one a line), as if they were dropped on the window; probe.dll builds the HDROP
 * there, finding the list's name in a global atom. Answers as probe does: the path count. */
static void CmdDrop(int n, char** f) {
  char question[16], arg[16];
  char* fields[4];
  ATOM atom = GlobalAddAtomA(f[2]);
  if (!atom) {
    Reply("err\tno atom");
    return;
  }
  snprintf(question, sizeof question, "%d", PROBE_DROP_FILES);
  snprintf(arg, sizeof arg, "%u", (unsigned)atom);
  fields[0] = f[0];
  fields[1] = f[1];
  fields[2] = question;
  fields[3] = arg;
  CmdProbe(4, fields);
  GlobalDeleteAtom(atom);
}

static void MakeReplyWindow(void) {
  WNDCLASSA wc;
  memset(&wc, 0, sizeof wc);
  wc.lpfnWndProc = ReplyWndProc;
  wc.hInstance = GetModuleHandleA(NULL);
  wc.lpszClassName = PROBE_REPLY_CLASS;
  RegisterClassA(&wc);
  g_replyWindow = CreateWindowExA(0, PROBE_REPLY_CLASS, "", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL,
                                  wc.hInstance, NULL);
}

/* ---- main loop ---- */

static int Split(char* line, char** f) {
  int n = 0;
  char* p = line;
  char* nl = strpbrk(line, "\r\n");
  if (nl) *nl = 0;
  while (n < MAX_FIELDS) {
    f[n++] = p;
    p = strchr(p, '\t');
    if (!p) break;
    *p++ = 0;
  }
  return n;
}

int main(void) {
  static char line[4096];
  char* f[MAX_FIELDS];
  MakeReplyWindow();
  Reply("ready");
  while (fgets(line, sizeof line, stdin)) {
    int n = Split(line, f);
    const char* cmd = f[0];
    if (!strcmp(cmd, "quit")) break;
    else if (!strcmp(cmd, "find")) CmdFind(n, f);
    else if (!strcmp(cmd, "waitgone") && n > 1) CmdWaitGone(n, f);
    else if (!strcmp(cmd, "waittitle") && n > 2) CmdWaitTitle(n, f);
    else if (!strcmp(cmd, "info") && n > 1) CmdInfo(n, f);
    else if (!strcmp(cmd, "children") && n > 1) CmdChildren(n, f);
    else if (!strcmp(cmd, "windows")) CmdWindows(n, f);
    else if (!strcmp(cmd, "send") && n > 2) CmdSend(n, f);
    else if (!strcmp(cmd, "post") && n > 2) CmdPost(n, f);
    else if (!strcmp(cmd, "settext") && n > 1) CmdSetText(n, f);
    else if (!strcmp(cmd, "gettext") && n > 1) CmdGetText(n, f);
    else if (!strcmp(cmd, "item") && n > 2) CmdItem(n, f);
    else if (!strcmp(cmd, "filedlg") && n > 1) CmdFileDialog(n, f);
    else if (!strcmp(cmd, "click") && n > 2) CmdClick(n, f);
    else if (!strcmp(cmd, "cbitems") && n > 1) CmdComboItems(n, f);
    else if (!strcmp(cmd, "cbselect") && n > 3) CmdComboSelect(n, f);
    else if (!strcmp(cmd, "keys")) CmdKeys(n, f);
    else if (!strcmp(cmd, "foreground") && n > 1) CmdForeground(n, f);
    else if (!strcmp(cmd, "mouse") && n > 2) CmdMouse(n, f);
    else if (!strcmp(cmd, "getforeground")) CmdGetForeground(n, f);
    else if (!strcmp(cmd, "show") && n > 2) CmdShow(n, f);
    else if (!strcmp(cmd, "metric") && n > 1) CmdMetric(n, f);
    else if (!strcmp(cmd, "redraw") && n > 1) CmdRedraw(n, f);
    else if (!strcmp(cmd, "move") && n > 5) CmdMove(n, f);
    else if (!strcmp(cmd, "hold")) CmdHold(n, f);
    else if (!strcmp(cmd, "shortpath") && n > 1) CmdShortPath(n, f);
    else if (!strcmp(cmd, "capture") && n > 5) CmdCapture(n, f);
    else if (!strcmp(cmd, "probe") && n > 2) CmdProbe(n, f);
    else if (!strcmp(cmd, "drop") && n > 2) CmdDrop(n, f);
    else if (!strcmp(cmd, "ping")) Reply("ok");
    else Reply("err\tunknown command %s", cmd);
  }
  return 0;
}
