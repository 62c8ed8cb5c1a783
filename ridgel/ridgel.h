// The library's shared state and its internal operations: the dialog hook, the subclass record
// kept in two window properties, the drawing objects every treated dialog shares, the control
// treatment at WM_INITDIALOG, and the window procedures installed on dialogs and controls.
#pragma once
#include <windows.h>

// ---- exports (ridgel.def gives them their ordinals) ----
extern "C" {
BOOL WINAPI Ctl3dRegister(HINSTANCE instance);
BOOL WINAPI Ctl3dUnregister(HINSTANCE instance);
BOOL WINAPI Ctl3dAutoSubclass(HINSTANCE instance);
BOOL WINAPI Ctl3dUnAutoSubclass(void);
BOOL WINAPI RidgelDllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);
}

// ---- shared state: one set per process, touched only on the hooked thread ----
extern HINSTANCE g_hModule;        // our instance: owns the hook and the glyph bitmap
extern HHOOK g_hCbtHook;           // the CBT hook, or 0
extern int g_drawButtons;          // 1 below platform version 4: glyph check boxes and radios
extern HWND g_hwndPendingDialog;   // a dialog seen created but not subclassed yet, or 0
extern DWORD g_propAtoms;          // packed atom pair of the most recent dialog subclassing
extern int g_dialogCount;          // dialogs holding the shared objects
extern HFONT g_hControlFont;       // the control font, or 0
extern HBRUSH g_hFaceBrush;        // solid brush of the button-face colour
extern HBITMAP g_hGlyphBitmap;     // resource RIDGELBITMAP
extern int g_tracking;             // a check box or radio button holds the capture
extern int g_pointerInside;        // the pointer is inside that control

// The base name of both subclass properties, the bitmap's resource name.
extern const char kPropBaseName[];   // "DialogsHook"
extern const char kGlyphBitmapName[];  // "RidgelBitmap"

// ---- hook ----
LRESULT CALLBACK CbtHookProc(int code, WPARAM wParam, LPARAM lParam);

// ---- subclass record ----
DWORD MakePropAtoms(LPCSTR name);
void DeletePropAtoms(DWORD packed);
DWORD SubclassWindow(HWND hwnd, WNDPROC newProc, LPCSTR name);
LRESULT CallOldProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, DWORD packed);
void UnsubclassWindow(HWND hwnd, DWORD packed);

// ---- shared objects ----
void InitSharedObjects();
void FreeSharedObjects();
HFONT CreateControlFont();
// Per-dialog record of having counted in, so that a dialog subclassed after its WM_INITDIALOG
// never counts out. CountDialogIn is true when the dialog was not counted yet.
bool CountDialogIn(HWND dialog);
bool CountDialogOut(HWND dialog);
// The face brush for colour answers: the shared one while it exists, else the system's.
HBRUSH FaceBrush();

// ---- control treatment ----
int ControlClassIndex(HWND hwnd);
void TreatDialogChild(HWND hwnd, int classIndex);
void FitEditHeight(HWND hwnd);

// ---- procedures and drawing ----
LRESULT CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK GroupBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK CheckBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK RadioButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
void CheckAutoRadioGroup(HWND dialog, HWND control);

enum GlyphFlags { kGlyphPressed = 1, kGlyphForPaint = 2 };
void DrawButtonGlyph(HWND hwnd, int value, int flags);
void DrawRaisedFrame(HDC dc, RECT r);
void PaintGroupBox(HWND hwnd);
