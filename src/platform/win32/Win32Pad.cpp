#include "platform/win32/Win32Pad.h"

#include <windows.h>

namespace quendal {

namespace {

HWND Control(WindowId window, int id) { return GetDlgItem(reinterpret_cast<HWND>(window), id); }

HDC ToContext(DrawingContext context) { return reinterpret_cast<HDC>(context); }

}  // namespace

DrawingContext Win32Pad::GetControlContext(WindowId window, int id) {
  return reinterpret_cast<DrawingContext>(GetDC(Control(window, id)));
}

void Win32Pad::ReleaseControlContext(WindowId window, int id, DrawingContext context) {
  ReleaseDC(Control(window, id), ToContext(context));
}

bool Win32Pad::HasPendingRepaint(WindowId window) const {
  return GetUpdateRect(reinterpret_cast<HWND>(window), nullptr, FALSE) != FALSE;
}

Rect Win32Pad::GetControlClientRect(WindowId window, int id) const {
  RECT rect{};
  GetClientRect(Control(window, id), &rect);
  return {rect.left, rect.top, rect.right, rect.bottom};
}

Colour Win32Pad::GetPixel(DrawingContext context, int x, int y) const {
  return ::GetPixel(ToContext(context), x, y);
}

void Win32Pad::SetPixel(DrawingContext context, int x, int y, Colour colour) {
  ::SetPixel(ToContext(context), x, y, colour);
}

}  // namespace quendal
