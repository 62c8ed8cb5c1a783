// The About box procedure both programs share (Windows build only); each program has its own
// template with its own name in it.
#pragma once
#include "platform.h"

// Closes the box with the button's id on OK or Cancel; nothing else needs handling.
INT_PTR CALLBACK AboutDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
