#include "platform/win32/Win32BitmapButtons.h"

namespace quendal {

Win32BitmapButtons::~Win32BitmapButtons() {
  for (const auto& [id, bitmap] : m_bitmaps) DeleteObject(bitmap);
}

void Win32BitmapButtons::SetImage(int id, const wchar_t* bitmapName) {
  HBITMAP bitmap = static_cast<HBITMAP>(
      LoadImageW(GetModuleHandleW(nullptr), bitmapName, IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
  if (auto old = m_bitmaps.find(id); old != m_bitmaps.end()) {
    DeleteObject(old->second);
    m_bitmaps.erase(old);
  }
  if (bitmap != nullptr) m_bitmaps.emplace(id, bitmap);
}

bool Win32BitmapButtons::Draw(const DRAWITEMSTRUCT& item) const {
  if (item.CtlType != ODT_BUTTON) return false;
  const auto bitmap = m_bitmaps.find(static_cast<int>(item.CtlID));
  if (bitmap == m_bitmaps.end()) return false;
  HDC source = CreateCompatibleDC(item.hDC);
  HGDIOBJ previous = SelectObject(source, bitmap->second);
  BITMAP info{};
  GetObjectW(bitmap->second, sizeof info, &info);
  const RECT& area = item.rcItem;
  FillRect(item.hDC, &area, GetSysColorBrush(COLOR_BTNFACE));
  const int x = area.left + (area.right - area.left - info.bmWidth) / 2;
  const int y = area.top + (area.bottom - area.top - info.bmHeight) / 2;
  BitBlt(item.hDC, x, y, info.bmWidth, info.bmHeight, source, 0, 0, SRCCOPY);
  SelectObject(source, previous);
  DeleteDC(source);
  return true;
}

}  // namespace quendal
