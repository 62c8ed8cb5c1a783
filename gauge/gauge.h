// What a program needs to drive the "Update" gauge that gauge.dll registers while it is
// loaded: the class name and the four range and position messages.
#pragma once

#define GAUGE_CLASS_NAME "Update"

// wParam carries the value; lParam is ignored. The set messages repaint before returning.
#define UM_SETRANGE (WM_USER + 0)
#define UM_GETRANGE (WM_USER + 1)
#define UM_SETPOS (WM_USER + 2)
#define UM_GETPOS (WM_USER + 3)
