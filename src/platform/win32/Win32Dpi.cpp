#include "platform/win32/Win32Dpi.h"

namespace quendal {

namespace {

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);

// Present from Windows 10 1607; older systems have one DPI for every screen.
GetDpiForWindowFunction FindGetDpiForWindow() {
  HMODULE user = GetModuleHandleW(L"user32.dll");
  if (user == nullptr) return nullptr;
  return reinterpret_cast<GetDpiForWindowFunction>(
      reinterpret_cast<void*>(GetProcAddress(user, "GetDpiForWindow")));
}

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  if (screen == nullptr) return 0;
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return dpi;
}

}  // namespace

int WindowDpi(HWND window) {
  static const GetDpiForWindowFunction getDpiForWindow = FindGetDpiForWindow();
  if (getDpiForWindow != nullptr && window != nullptr) {
    const UINT dpi = getDpiForWindow(window);
    if (dpi != 0) return static_cast<int>(dpi);
  }
  return ScreenDpi();
}

}  // namespace quendal
