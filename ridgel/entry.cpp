// The DLL entry and the four exports. Loading the library is enough: the entry hooks the
// loading thread, and the exports only let a program move or drop that hook.
#include "ridgel.h"

HINSTANCE g_hModule;
HHOOK g_hCbtHook;
int g_drawButtons;

extern "C" BOOL WINAPI Ctl3dRegister(HINSTANCE instance) { return TRUE; }

extern "C" BOOL WINAPI Ctl3dUnregister(HINSTANCE instance) { return TRUE; }

// The hook belongs to our own module whatever instance the caller passes, and to the calling
// thread only; a thread that asks while another holds the hook changes nothing but the
// version check.
extern "C" BOOL WINAPI Ctl3dAutoSubclass(HINSTANCE instance) {
  g_drawButtons = LOBYTE(LOWORD(GetVersion())) < 4 ? 1 : 0;
  if (g_hCbtHook) return TRUE;
  g_hCbtHook = SetWindowsHookExA(WH_CBT, CbtHookProc, g_hModule, GetCurrentThreadId());
  return TRUE;
}

// Dialogs already treated keep their look and procedures.
extern "C" BOOL WINAPI Ctl3dUnAutoSubclass(void) {
  if (g_hCbtHook) {
    UnhookWindowsHookEx(g_hCbtHook);
    g_hCbtHook = 0;
  }
  return TRUE;
}

// The loader's entry point (the linker is pointed at it). It may run on another thread at
// detach, where it only unhooks.
extern "C" BOOL WINAPI RidgelDllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      g_hModule = instance;
      Ctl3dAutoSubclass(instance);
      break;
    case DLL_PROCESS_DETACH:
      Ctl3dUnAutoSubclass();
      break;
    default:
      break;
  }
  return TRUE;
}
