// The subclass record: a window's previous procedure is kept in two properties named by global
// atoms, the low half under the reversed base name and the high half under the base name, so
// that any copy of the library can recognise and undo the subclassing.
#include "ridgel.h"

const char kPropBaseName[] = "DialogsHook";

namespace {

constexpr int kMaxBaseName = 40;

LPCSTR LowProp(DWORD packed) { return MAKEINTATOM(LOWORD(packed)); }
LPCSTR HighProp(DWORD packed) { return MAKEINTATOM(HIWORD(packed)); }

// The recorded old procedure, or 0 when the window holds no record. The low property holds
// its low 16 bits, the high property the rest: the high 16 bits in a 32-bit process, the high
// 48 in a 64-bit one.
DWORD_PTR RecordedProc(HWND hwnd, DWORD packed) {
  DWORD_PTR low = LOWORD(reinterpret_cast<DWORD_PTR>(GetPropA(hwnd, LowProp(packed))));
  DWORD_PTR high = reinterpret_cast<DWORD_PTR>(GetPropA(hwnd, HighProp(packed)));
#ifndef _WIN64
  high = LOWORD(high);
#endif
  return low | (high << 16);
}

}  // namespace

// Each call adds one reference to each atom; 0 when the name is unusable or an atom could not
// be added (then nothing stays referenced).
DWORD MakePropAtoms(LPCSTR name) {
  int n = lstrlenA(name);
  if (n == 0 || n > kMaxBaseName) return 0;
  char reversed[kMaxBaseName + 1];
  for (int i = 0; i < n; ++i) reversed[i] = name[n - 1 - i];
  reversed[n] = '\0';
  ATOM high = GlobalAddAtomA(name);
  ATOM low = GlobalAddAtomA(reversed);
  if (!high || !low) {
    if (low) GlobalDeleteAtom(low);
    if (high) GlobalDeleteAtom(high);
    return 0;
  }
  return MAKELONG(low, high);
}

void DeletePropAtoms(DWORD packed) {
  GlobalDeleteAtom(LOWORD(packed));
  GlobalDeleteAtom(HIWORD(packed));
}

// Installs newProc and records the old one; 0 when the window is subclassed already (or the
// record could not be made, in which case the window keeps its procedure: an old procedure
// that was not recorded could never be called or restored).
DWORD SubclassWindow(HWND hwnd, WNDPROC newProc, LPCSTR name) {
  DWORD packed = MakePropAtoms(name);
  if (!packed) return 0;
  if (GetPropA(hwnd, LowProp(packed)) || GetPropA(hwnd, HighProp(packed))) {
    DeletePropAtoms(packed);
    return 0;
  }
  DWORD_PTR old = static_cast<DWORD_PTR>(GetWindowLongPtrA(hwnd, GWLP_WNDPROC));
  HANDLE low = reinterpret_cast<HANDLE>(static_cast<DWORD_PTR>(old & 0xFFFF));
  HANDLE high = reinterpret_cast<HANDLE>(static_cast<DWORD_PTR>(old >> 16));
  if (!old || !SetPropA(hwnd, LowProp(packed), low) || !SetPropA(hwnd, HighProp(packed), high)) {
    RemovePropA(hwnd, LowProp(packed));
    RemovePropA(hwnd, HighProp(packed));
    DeletePropAtoms(packed);
    return 0;
  }
  SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(newProc));
  return packed;
}

LRESULT CallOldProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, DWORD packed) {
  DWORD_PTR old = RecordedProc(hwnd, packed);
  if (!old) return DefWindowProcA(hwnd, msg, wParam, lParam);
  // The window gets its old procedure back before that procedure sees WM_DESTROY.
  if (msg == WM_DESTROY) UnsubclassWindow(hwnd, packed);
  return CallWindowProcA(reinterpret_cast<WNDPROC>(old), hwnd, msg, wParam, lParam);
}

void UnsubclassWindow(HWND hwnd, DWORD packed) {
  DWORD_PTR old = RecordedProc(hwnd, packed);
  if (!old) return;
  RemovePropA(hwnd, LowProp(packed));
  RemovePropA(hwnd, HighProp(packed));
  DeletePropAtoms(packed);
  SetWindowLongPtrA(hwnd, GWLP_WNDPROC, static_cast<LONG_PTR>(old));
}
