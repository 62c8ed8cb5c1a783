// The per-thread CBT hook: a dialog of the predefined class is noted when it is created and
// subclassed when the next window of another class is created on the thread, which for a
// dialog built from a template is its first control, before WM_INITDIALOG.
#include "ridgel.h"

HWND g_hwndPendingDialog;
DWORD g_propAtoms;

namespace {

// The dialog manager passes the predefined dialog class as this integer atom.
const LPCSTR kDialogClassAtom = MAKEINTATOM(32770);

void OnWindowCreated(HWND hwnd, const CBT_CREATEWNDA* create) {
  if (create && create->lpcs && create->lpcs->lpszClass == kDialogClassAtom) {
    g_hwndPendingDialog = hwnd;
    return;
  }
  if (!g_hwndPendingDialog) return;
  HWND dialog = g_hwndPendingDialog;
  g_hwndPendingDialog = 0;
  // A failed attempt returns 0; keeping the last good pair keeps every treated window's
  // forwarding working.
  DWORD packed = IsWindow(dialog) ? SubclassWindow(dialog, DialogProc, kPropBaseName) : 0;
  if (packed) g_propAtoms = packed;
}

}  // namespace

LRESULT CALLBACK CbtHookProc(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND) {
    OnWindowCreated(reinterpret_cast<HWND>(wParam), reinterpret_cast<CBT_CREATEWNDA*>(lParam));
  } else if (code == HCBT_DESTROYWND && reinterpret_cast<HWND>(wParam) == g_hwndPendingDialog) {
    // A pending dialog that goes away must not be subclassed later under its old handle.
    g_hwndPendingDialog = 0;
  }
  return CallNextHookEx(g_hCbtHook, code, wParam, lParam);
}
