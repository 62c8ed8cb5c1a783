// System functions looked up when first needed. comdlg32 and shell32 bring a dozen more DLLs
// with them; linked as imports they were loaded at every start (about a sixth of the viewer's
// start on Wine), though only File, Open, a drop or a command line needs them.
#pragma once

#include <windows.h>

// The function `name` of the system DLL `dll` (taken from the system folder only, never from
// beside the program), which stays loaded for the life of the process; null when either is
// missing. `Function` is the function's pointer type: decltype(&GetOpenFileNameA).
template <typename Function>
Function LateBound(const char* dll, const char* name) {
  HMODULE module = GetModuleHandleA(dll);
  if (!module) {
    char path[MAX_PATH];
    UINT n = GetSystemDirectoryA(path, MAX_PATH);
    if (n == 0 || n + 1 + lstrlenA(dll) >= MAX_PATH) return nullptr;
    path[n] = '\\';
    lstrcpyA(path + n + 1, dll);
    module = LoadLibraryA(path);
  }
  return module ? reinterpret_cast<Function>(GetProcAddress(module, name)) : nullptr;
}
