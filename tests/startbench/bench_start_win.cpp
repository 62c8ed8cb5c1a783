// Times program starts by events: from just before CreateProcess to the moment a top-level
// window of the new process is shown (an out-of-context EVENT_OBJECT_SHOW hook delivers it to
// this thread), then closes that window and waits for the process to end.
//     bench_start_win <runs> <program> [<program> ...]
// The programs take turns, so a busy moment of the machine hits each; prints one line per
// program: "<index> <median ms> <min ms> <max ms>".
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

static DWORD g_watchedPid;
static HWND g_shown;
static LARGE_INTEGER g_shownAt;

static void CALLBACK OnShow(HWINEVENTHOOK, DWORD, HWND hwnd, LONG object, LONG child, DWORD,
                            DWORD) {
  if (g_shown || object != OBJID_WINDOW || child != CHILDID_SELF || !hwnd) return;
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != g_watchedPid || GetAncestor(hwnd, GA_ROOT) != hwnd) return;
  QueryPerformanceCounter(&g_shownAt);
  g_shown = hwnd;
}

// One start: milliseconds to the first shown top-level window, or -1.
static double TimeStart(const char* program) {
  char command[MAX_PATH + 2];
  std::snprintf(command, sizeof command, "\"%s\"", program);
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  g_shown = nullptr;
  LARGE_INTEGER start;
  QueryPerformanceCounter(&start);
  if (!CreateProcessA(program, command, nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                      nullptr, &si, &pi))
    return -1;
  // The hook watches this process only; it is set before the process runs a single instruction.
  g_watchedPid = pi.dwProcessId;
  HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_SHOW, EVENT_OBJECT_SHOW, nullptr, OnShow,
                                       pi.dwProcessId, 0, WINEVENT_OUTOFCONTEXT);
  if (!hook) {
    TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return -1;
  }
  ResumeThread(pi.hThread);
  DWORD begin = GetTickCount();
  while (!g_shown && GetTickCount() - begin < 30000) {
    // Events arrive as messages to this thread; the process handle ends the wait if it dies.
    DWORD r = MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, 1000, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    if (r == WAIT_OBJECT_0 && !g_shown) break;
  }
  UnhookWinEvent(hook);
  double ms = -1;
  if (g_shown) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    ms = double(g_shownAt.QuadPart - start.QuadPart) * 1000.0 / double(frequency.QuadPart);
    PostMessageA(g_shown, WM_CLOSE, 0, 0);
  }
  if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return ms;
}

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: bench_start_win <runs> <program> [<program> ...]\n");
    return 2;
  }
  int runs = std::atoi(argv[1]), programs = argc - 2;
  std::vector<std::vector<double>> times(programs);
  // One untimed start of each first: the prefix and the file cache are warm for all.
  for (int p = 0; p < programs; ++p) TimeStart(argv[2 + p]);
  for (int i = 0; i < runs; ++i)
    for (int p = 0; p < programs; ++p) {
      double ms = TimeStart(argv[2 + p]);
      if (ms < 0) {
        std::fprintf(stderr, "no window shown by %s\n", argv[2 + p]);
        return 1;
      }
      times[p].push_back(ms);
    }
  for (int p = 0; p < programs; ++p) {
    std::vector<double>& t = times[p];
    std::sort(t.begin(), t.end());
    std::printf("%d %.1f %.1f %.1f\n", p, t[t.size() / 2], t.front(), t.back());
  }
  return 0;
}
