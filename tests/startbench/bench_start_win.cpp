// Times program starts by events: from just before CreateProcess to the moment the new
// process's message loop first waits for input with nothing pending (WaitForInputIdle: its
// window is up and drawn), then closes its shown top-level window and waits for its end.
// Wine delivers no out-of-context window events from another process, so the idle wait is
// the event both programs are timed by.
//     bench_start_win <runs> <program> [<program> ...]
// The programs take turns, in an order that rotates each round, so that a busy moment of the
// machine hits each and none always starts right after the same other; prints one line per
// program: "<index> <median ms> <min ms> <max ms> <ratio>", the ratio being the median over
// the rounds of program 0's time to this program's.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

struct ShownSearch {
  DWORD pid;
  HWND found;
};

static BOOL CALLBACK FindShown(HWND hwnd, LPARAM data) {
  ShownSearch* search = reinterpret_cast<ShownSearch*>(data);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != search->pid || !IsWindowVisible(hwnd)) return TRUE;
  search->found = hwnd;
  return FALSE;
}

// One start: milliseconds until the program is idle with a shown top-level window, or -1.
static double TimeStart(const char* program) {
  char command[MAX_PATH + 2];
  std::snprintf(command, sizeof command, "\"%s\"", program);
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  LARGE_INTEGER start, idle, frequency;
  QueryPerformanceCounter(&start);
  if (!CreateProcessA(program, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return -1;
  DWORD waited = WaitForInputIdle(pi.hProcess, 30000);
  QueryPerformanceCounter(&idle);
  ShownSearch search = {pi.dwProcessId, nullptr};
  if (waited == 0) EnumWindows(FindShown, reinterpret_cast<LPARAM>(&search));
  double ms = -1;
  if (search.found) {
    QueryPerformanceFrequency(&frequency);
    ms = double(idle.QuadPart - start.QuadPart) * 1000.0 / double(frequency.QuadPart);
    PostMessageA(search.found, WM_CLOSE, 0, 0);
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
    for (int k = 0; k < programs; ++k) {
      int p = (i + k) % programs;
      double ms = TimeStart(argv[2 + p]);
      if (ms < 0) {
        std::fprintf(stderr, "no window shown by %s\n", argv[2 + p]);
        return 1;
      }
      times[p].push_back(ms);
    }
  for (int p = 0; p < programs; ++p) {
    std::vector<double> ratios;
    for (int i = 0; i < runs; ++i) ratios.push_back(times[0][i] / times[p][i]);
    std::vector<double>& t = times[p];
    std::sort(t.begin(), t.end());
    std::sort(ratios.begin(), ratios.end());
    std::printf("%d %.1f %.1f %.1f %.3f\n", p, t[t.size() / 2], t.front(), t.back(),
                ratios[ratios.size() / 2]);
  }
  return 0;
}
