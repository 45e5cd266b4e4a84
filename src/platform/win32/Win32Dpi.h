// The DPI a window is shown at, read with the newest function the system has.
#pragma once

#include <windows.h>

namespace quendal {

// The window's own DPI where the system tracks one per monitor (Windows 10 1607 and later),
// else the screen's LOGPIXELSX.
int WindowDpi(HWND window);

}  // namespace quendal
