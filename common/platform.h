// The Win32 view every source file starts from: the real <windows.h> in the Windows build,
// our small stand-in (host_win32.h) in the native build of the byte- and pixel-level code.
#pragma once
#ifdef _WIN32
#include <windows.h>
#else
#include "host_win32.h"
#endif
